#pragma once

#include "BmpFile.h"
#include "Picture.h"
#include "PictureDecoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace bmp2cdata {

class ConverterHost;

// How a picture is made ready for its table.
struct PictureOptions {
    // The box to fit the picture into; nothing keeps its size.
    std::optional<PictureSize> fit = std::nullopt;
    bool dither = false;
    // What transparent pixels are laid over: black, an LCD cleared to zero.
    RgbColour background = {};
};

// Whether a file goes the road of a picture: a PNG or JPEG file, or any
// file given options that change its pixels. A BMP file without them takes
// the road it always took.
bool TakesPictureRoad(std::span<const std::uint8_t> start, const PictureOptions& options);

// A box to fit pictures into, read from "WxH", or why it was refused.
struct FitBox {
    enum class Problem { None, NotASize, LargerThanTable };

    std::optional<PictureSize> size;
    Problem problem = Problem::None;
};

// Reads "WxH" (or "WXH"): both at least 1, their area within the image
// buffer, since a fitted picture must still fit a table.
FitBox ParseFitBox(std::string_view text);

// A picture ready for its table, or the one line of complaint a run gives.
struct LoadedPicture {
    // Empty when the picture converts.
    std::string complaint;
    Picture picture;

    bool Converts() const { return complaint.empty(); }
};

// How many bytes of a file LoadPictureBytes needs, judged from its first
// bytes (start) and its length: all of a PNG or JPEG file, only what a BMP's
// pixels need, and no more than start when the file is refused on them.
std::int64_t PictureBytesWanted(std::span<const std::uint8_t> start, std::int64_t fileLength,
                                const PictureOptions& options);

// Decodes a picture file held in memory (bytes are the start of a file of
// fileLength bytes, as far as PictureBytesWanted asked), lays it over the
// background and fits it. A file that is neither PNG nor JPEG is judged as
// a BMP: by the checks of every BMP, or, to be fitted, of a picture.
LoadedPicture LoadPictureBytes(std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                               PictureDecoder& decoder, const PictureOptions& options);


// Writes the picture's table on the host, labelled label (refused when it
// holds a control character), as a BMP's table is written; the picture must
// fit the image buffer.
void ConvertPicture(ConverterHost& host, const std::string& label, const Picture& picture, bool dither);

}  // namespace bmp2cdata
