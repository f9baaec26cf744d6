#pragma once

#include "PictureFormat.h"

#include <cstdint>
#include <span>

namespace bmp2cdata {

// Where a decoder hands a picture's rows, the top row first: four samples
// a pixel, red, green, blue and alpha, not premultiplied. Files of up to 8
// bits a sample give bytes; 16-bit files give 16-bit samples, so that
// every decoder's result is rounded to 8 bits the same way.
class RgbaRows {
public:
    virtual ~RgbaRows() = default;
    virtual void AddRow(std::span<const std::uint8_t> rgba) = 0;
    virtual void AddRow(std::span<const std::uint16_t> rgba) = 0;
    // Or, for an interlaced PNG file, the next row of pass (of
    // kInterlacePasses), as many pixels as the pass holds in a row: every
    // row of every pass that holds pixels, in the file's order.
    virtual void AddPassRow(int pass, std::span<const std::uint8_t> rgba) = 0;
    virtual void AddPassRow(int pass, std::span<const std::uint16_t> rgba) = 0;
    // Where a decoder may put its next row of length bytes of 8-bit samples
    // before handing it over, so that it need not be copied again; empty
    // when there is no such place.
    virtual std::span<std::uint8_t> NextRowRoom(std::size_t length)
    {
        (void)length;
        return {};
    }
};

// Decodes PNG and JPEG files with the platform's own libraries.
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    // Decodes a whole file held in memory, whose declared size has been
    // checked, and hands its rows over; false when it cannot be decoded, or
    // when the decoder finds another size than declared (then before it
    // decodes any pixel). Colour profiles and gamma are ignored: the file's
    // values are used as they are.
    virtual bool Decode(PictureFormat format, std::span<const std::uint8_t> file, PictureSize declared,
                        RgbaRows& rows) = 0;
};

}  // namespace bmp2cdata
