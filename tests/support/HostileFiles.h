#pragma once

// Small PNG files built to make a decoder spend far more memory or time
// than their size warrants: each is refused, and none may cost much on its
// way there. JpegBuilder.h has JPEG files of the kind.

#include "PngBuilder.h"

#include <vector>

// A one-pixel PNG whose chunk of type claims about 2 GB, of which the file
// holds only a few bytes.
inline std::vector<std::uint8_t> PngClaimingAHugeChunk(const char* type)
{
    std::vector<std::uint8_t> png = BuildPng({});
    png.resize(33);  // the signature and the header chunk
    PutBigEndian(png, 2'000'000'000);
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), 16, 'x');
    return png;
}

// The header of a 16-megapixel interlaced PNG of 16-bit RGBA samples, with
// a few bytes of image data. Its width and height are odd, so that the fuzz
// target, which picks its options from the input, fits it into a box.
inline std::vector<std::uint8_t> PngDeclaringAnInterlacedGiant()
{
    PngLayout layout{.width = 4095, .height = 4097, .colourType = kPngRgba, .bitDepth = 16, .interlaced = true};
    std::vector<std::uint8_t> png = BuildPng({});
    png.resize(8);
    std::vector<std::uint8_t> header;
    PutBigEndian(header, layout.width);
    PutBigEndian(header, layout.height);
    header.insert(header.end(), {layout.bitDepth, layout.colourType, 0, 0, 1});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(std::vector<std::uint8_t>(1, 0)));
    PutChunk(png, "IEND", {});
    return png;
}
