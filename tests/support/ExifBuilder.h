#pragma once

// Builds EXIF blocks (a TIFF structure of one directory of one entry) and
// puts them where a PNG or a JPEG file carries them.

#include "PngBuilder.h"

#include <cstdint>
#include <vector>

struct ExifLayout {
    std::uint16_t value = 1;  // the entry's short value: an orientation
    bool bigEndian = true;
    std::uint16_t tag = 0x112, type = 3;  // orientation, a short
    std::uint32_t count = 1;
    std::uint32_t directory = 8;  // where the first directory starts
    std::uint16_t entries = 1;    // how many the directory claims
};

inline std::vector<std::uint8_t> BuildExif(const ExifLayout& layout)
{
    std::vector<std::uint8_t> tiff(2, layout.bigEndian ? 'M' : 'I');
    const auto put = [&](std::uint32_t number, int width) {
        for (int i = 0; i < width; ++i)
            tiff.push_back(std::uint8_t(number >> (8 * (layout.bigEndian ? width - 1 - i : i))));
    };
    put(42, 2), put(layout.directory, 4), put(layout.entries, 2), put(layout.tag, 2), put(layout.type, 2);
    put(layout.count, 4), put(layout.value, 2), put(0, 2);
    return tiff;
}

// The PNG with an eXIf chunk of tiff right after its header chunk, or last
// before its end chunk, after the image data.
inline std::vector<std::uint8_t> WithExifChunk(std::vector<std::uint8_t> png, const std::vector<std::uint8_t>& tiff,
                                               bool last = false)
{
    std::vector<std::uint8_t> chunk;
    PutChunk(chunk, "eXIf", tiff);
    png.insert(last ? png.end() - 12 : png.begin() + 33, chunk.begin(), chunk.end());
    return png;
}

// The JPEG with an APP1 Exif block of tiff right after its start of image.
inline std::vector<std::uint8_t> WithExifBlock(std::vector<std::uint8_t> jpeg, const std::vector<std::uint8_t>& tiff)
{
    std::vector<std::uint8_t> block = {0xFF, 0xE1, 0, std::uint8_t(tiff.size() + 8), 'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.begin() + 2, block.begin(), block.end());
    return jpeg;
}
