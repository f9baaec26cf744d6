#pragma once

#include "BmpHeader.h"

#include <cstdint>
#include <span>
#include <string>

namespace bmp2cdata {

// An image the converter accepts, as it lies in the bytes of its file.
struct BmpImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    PixelLayout layout;
    // From the first byte of the bottom row to the last pixel's last byte.
    std::span<const std::uint8_t> pixelData;
};

// What the converter makes of a file: one line of complaint, or the image.
struct DecodedBmp {
    // Empty when the file converts.
    std::string complaint;
    BmpImage image;

    bool Converts() const { return complaint.empty(); }
};

// Decodes a BMP file from memory, checking it in the converter's order.
// bytes are the start of a file of fileLength bytes; they must hold all of
// it whenever the file is short enough to be converted.
DecodedBmp DecodeBmp(std::span<const std::uint8_t> bytes, std::int64_t fileLength);

// How many bytes from the start of a file of fileLength bytes the decode
// needs: all of a file short enough to be converted, only the header of a
// longer one, which is refused on its header and its length alone.
std::size_t BytesWorthReading(std::int64_t fileLength);

// A check of a header against its file's length: the complaint, or nothing.
using BmpHeaderCheck = std::optional<std::string> (*)(const BmpHeader& header, std::int64_t fileLength);

// Decodes a BMP file as DecodeBmp does, its header judged by check instead;
// bytes must hold the pixels of a file check accepts.
DecodedBmp DecodeBmpCheckedBy(std::span<const std::uint8_t> bytes, std::int64_t fileLength, BmpHeaderCheck check);

// Decodes a whole BMP file held in memory.
DecodedBmp DecodeBmp(std::span<const std::uint8_t> file);

}  // namespace bmp2cdata
