#pragma once

// Writes JPEG files with libjpeg-turbo's own encoder, baseline or
// progressive, colour not subsampled. Not on Windows, where the tests have no encoder to link.

#include "BmpBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

inline std::vector<std::uint8_t> BuildJpeg(int width, int height, const std::function<Rgb(int column, int row)>& colour,
                                           bool progressive, int quality = 95)
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
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Colour at full resolution, so that sharp edges stay where they are.
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb pixel = colour(x, y);
            row[static_cast<std::size_t>(x) * 3] = pixel.red;
            row[static_cast<std::size_t>(x) * 3 + 1] = pixel.green;
            row[static_cast<std::size_t>(x) * 3 + 2] = pixel.blue;
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> jpeg(buffer, buffer + size);
    std::free(buffer);
    return jpeg;
}
