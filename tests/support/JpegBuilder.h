#pragma once

// Writes JPEG files with libjpeg-turbo's own encoder, baseline or
// progressive, colour not subsampled. Not on Windows, where the tests have no encoder to link.

#include "BmpBuilder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

// Encodes width x height pixels of components samples each in colour space
// space: setUp adjusts the defaults, row fills each row's samples.
inline std::vector<std::uint8_t> EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space,
                                            const std::function<void(jpeg_compress_struct&)>& setUp,
                                            const std::function<void(int y, std::vector<std::uint8_t>& row)>& row)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    setUp(info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(width) * static_cast<std::size_t>(components));
    for (int y = 0; y < height; ++y) {
        row(y, samples);
        JSAMPROW line = samples.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> jpeg(buffer, buffer + size);
    std::free(buffer);
    return jpeg;
}

inline std::vector<std::uint8_t> BuildJpeg(int width, int height, const std::function<Rgb(int column, int row)>& colour,
                                           bool progressive, int quality = 95)
{
    const auto setUp = [&](jpeg_compress_struct& info) {
        jpeg_set_quality(&info, quality, TRUE);
        // Colour at full resolution, so that sharp edges stay where they are.
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
        if (progressive)
            jpeg_simple_progression(&info);
    };
    return EncodeJpeg(width, height, 3, JCS_RGB, setUp, [&](int y, std::vector<std::uint8_t>& row) {
        for (int x = 0; x < width; ++x) {
            const Rgb pixel = colour(x, y);
            row[static_cast<std::size_t>(x) * 3] = pixel.red;
            row[static_cast<std::size_t>(x) * 3 + 1] = pixel.green;
            row[static_cast<std::size_t>(x) * 3 + 2] = pixel.blue;
        }
    });
}

// A flat side x side CMYK JPEG storing these four samples in every pixel,
// with the Adobe block that says they are inverted, or without any.
inline std::vector<std::uint8_t> BuildCmykJpeg(int side, std::array<std::uint8_t, 4> stored, bool adobe)
{
    const auto setUp = [adobe](jpeg_compress_struct& info) {
        jpeg_set_quality(&info, 95, TRUE);
        info.write_Adobe_marker = adobe;
    };
    return EncodeJpeg(side, side, 4, JCS_CMYK, setUp, [&](int, std::vector<std::uint8_t>& row) {
        for (std::size_t at = 0; at < row.size(); at += 4)
            std::copy(stored.begin(), stored.end(), row.begin() + static_cast<std::ptrdiff_t>(at));
    });
}

// JPEG files built to make a decoder spend far more time than their size
// warrants, or to pass damage off as a whole file; each is refused.

// Bits into entropy-coded bytes: a 0xFF byte is followed by a stuffed zero,
// and the last byte is padded with ones.
inline std::vector<std::uint8_t> EntropyCoded(const std::vector<bool>& bits)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at < bits.size(); at += 8) {
        std::uint8_t byte = 0;
        for (std::size_t bit = at; bit < at + 8; ++bit)
            byte = static_cast<std::uint8_t>(byte << 1 | (bit < bits.size() ? bits[bit] : 1));
        bytes.push_back(byte);
        if (byte == 0xFF)
            bytes.push_back(0);
    }
    return bytes;
}

// The many-scans file of the fuzz regressions: 6,000 scans over 4 megapixels
// took over four seconds to decode before the count of scans was limited.
// At this count the byte the fuzz target picks its options from asks it to
// fit the picture, so that it is decoded rather than refused by its size.
inline constexpr int kManyScansSide = 2048;
inline constexpr int kManyScans = 6000;

// A flat progressive JPEG of side x side pixels followed by scans more than
// any encoder writes: each sends the AC coefficients of the first component
// again, as runs of empty blocks, which the decoder walks block by block.
// The progression stays consistent, so only the count of scans is wrong.
inline std::vector<std::uint8_t> JpegOfManyScans(int side, int scans)
{
    std::vector<std::uint8_t> jpeg = BuildJpeg(side, side, [](int, int) { return Rgb{90, 140, 200}; }, true, 50);
    jpeg.resize(jpeg.size() - 2);  // before the end of image
    // An AC table of the one symbol 0xE0, a run of 2^14 to 2^15 - 1 empty
    // blocks, coded as a single 0 bit.
    std::vector<std::uint8_t> table = {0xFF, 0xC4, 0, 20, 0x10, 1};
    table.insert(table.end(), 15, 0);
    table.push_back(0xE0);
    jpeg.insert(jpeg.end(), table.begin(), table.end());
    const std::size_t blocks = std::size_t((side + 7) / 8) * std::size_t((side + 7) / 8);
    std::vector<bool> bits;
    for (std::size_t covered = 0; covered < blocks; covered += 0x7FFF) {
        bits.push_back(false);
        bits.insert(bits.end(), 14, true);
    }
    const std::vector<std::uint8_t> data = EntropyCoded(bits);
    // Start of scan: one component, id 1, tables 0; coefficients 1 to 63.
    const std::vector<std::uint8_t> scan = {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 1, 63, 0x00};
    for (int count = 0; count < scans; ++count) {
        jpeg.insert(jpeg.end(), scan.begin(), scan.end());
        jpeg.insert(jpeg.end(), data.begin(), data.end());
    }
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

// A baseline JPEG cut at two thirds and closed with an end-of-image marker,
// as if it had ended there.
inline std::vector<std::uint8_t> JpegCutAndClosed()
{
    std::vector<std::uint8_t> jpeg = BuildJpeg(64, 64, [](int column, int row) {
        return Rgb{std::uint8_t(column * 4), std::uint8_t(row * 4), 128};
    }, false);
    jpeg.resize(jpeg.size() * 2 / 3);
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}
