#include "PixelPacking.h"

#include "ConverterHost.h"

std::uint16_t PackRGB565(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

std::uint8_t PackRGB332(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::uint8_t>((red & 0xE0) | (green & 0xE0) >> 3 | (blue >> 6));
}

void FillImageData(ConverterHost& host, const PixelLayout& layout,
                   std::span<const std::uint8_t> pixelData, ImageData& image)
{
    // The file stores the bottom row first and each row left to right; the
    // table lists the whole sequence reversed, so the first pixel read goes
    // to the last slot.
    if (layout.pixelCount == 0)
        return;
    std::uint32_t slot = layout.pixelCount;
    for (std::uint32_t row = 0; row < layout.height; ++row) {
        const std::uint8_t* pixel = pixelData.data() + row * layout.rowStride;
        for (std::uint32_t column = 0; column < layout.width; ++column, pixel += 3) {
            host.PumpEvents();
            if (StopConversion)
                return;
            const std::uint8_t blue = pixel[0], green = pixel[1], red = pixel[2];
            --slot;
            image[slot] = host.Rgb332Selected() ? PackRGB332(red, green, blue)
                                                : PackRGB565(red, green, blue);
        }
    }
}
