#pragma once

// Writes PNG files of any colour type, bit depth and interlacing, byte by
// byte, so that each test states exactly which samples it feeds in. The
// image data is stored uncompressed (deflate's stored blocks), which every
// decoder must read.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum PngColourType : std::uint8_t { kPngGrey = 0, kPngRgb = 2, kPngPalette = 3, kPngGreyAlpha = 4, kPngRgba = 6 };

struct PngLayout {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    PngColourType colourType = kPngRgb;
    std::uint8_t bitDepth = 8;
    bool interlaced = false;
    // PLTE: red, green, blue of each entry.
    std::vector<std::uint8_t> palette = {};
    // tRNS, as the chunk holds it.
    std::vector<std::uint8_t> transparency = {};
    // Sample channel of the pixel at (column, row), row 0 at the top, as
    // stored: below 2 to the bit depth.
    std::function<std::uint16_t(std::uint32_t column, std::uint32_t row, int channel)> sample =
        [](std::uint32_t, std::uint32_t, int) -> std::uint16_t { return 0; };
};

inline int PngChannels(PngColourType type)
{
    switch (type) {
    case kPngGrey: case kPngPalette: return 1;
    case kPngGreyAlpha: return 2;
    case kPngRgb: return 3;
    case kPngRgba: return 4;
    }
    return 0;
}

inline std::uint32_t PngCrc(const std::uint8_t* bytes, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

inline void PutBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline void PutChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data)
{
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBigEndian(png, PngCrc(png.data() + start, png.size() - start));
}

// The filtered scanlines (filter 0) of every interlacing pass, or of the
// whole image.
inline std::vector<std::uint8_t> PngScanlines(const PngLayout& layout)
{
    struct Pass { std::uint32_t column, row, columnStep, rowStep; };
    const std::vector<Pass> passes = layout.interlaced
        ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
        : std::vector<Pass>{{0, 0, 1, 1}};
    const int channels = PngChannels(layout.colourType);
    std::vector<std::uint8_t> lines;
    for (const Pass& pass : passes) {
        if (pass.column >= layout.width)
            continue;
        for (std::uint32_t row = pass.row; row < layout.height; row += pass.rowStep) {
            lines.push_back(0);
            int bitsUsed = 8;
            for (std::uint32_t column = pass.column; column < layout.width; column += pass.columnStep) {
                for (int channel = 0; channel < channels; ++channel) {
                    const std::uint16_t value = layout.sample(column, row, channel);
                    if (layout.bitDepth == 16) {
                        lines.push_back(static_cast<std::uint8_t>(value >> 8));
                        lines.push_back(static_cast<std::uint8_t>(value));
                    } else if (bitsUsed == 8) {
                        lines.push_back(static_cast<std::uint8_t>(value << (8 - layout.bitDepth)));
                        bitsUsed = layout.bitDepth;
                    } else {
                        bitsUsed += layout.bitDepth;
                        lines.back() |= static_cast<std::uint8_t>(value << (8 - bitsUsed));
                    }
                }
            }
        }
    }
    return lines;
}

// A zlib stream of stored blocks.
inline std::vector<std::uint8_t> ZlibStored(const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> stream = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(data.size() - at, 0xFFFF);
        stream.push_back(at + length == data.size() ? 1 : 0);
        for (const std::uint16_t half : {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(~length)}) {
            stream.push_back(static_cast<std::uint8_t>(half));
            stream.push_back(static_cast<std::uint8_t>(half >> 8));
        }
        stream.insert(stream.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < data.size());
    std::uint32_t low = 1, high = 0;
    for (const std::uint8_t byte : data) {
        low = (low + byte) % 65521;
        high = (high + low) % 65521;
    }
    PutBigEndian(stream, high << 16 | low);
    return stream;
}

inline std::vector<std::uint8_t> BuildPng(const PngLayout& layout)
{
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, layout.width);
    PutBigEndian(header, layout.height);
    header.insert(header.end(), {layout.bitDepth, layout.colourType, 0, 0, std::uint8_t(layout.interlaced ? 1 : 0)});
    PutChunk(png, "IHDR", header);
    if (!layout.palette.empty())
        PutChunk(png, "PLTE", layout.palette);
    if (!layout.transparency.empty())
        PutChunk(png, "tRNS", layout.transparency);
    PutChunk(png, "IDAT", ZlibStored(PngScanlines(layout)));
    PutChunk(png, "IEND", {});
    return png;
}
