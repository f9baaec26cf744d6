#include "PixelPacking.h"

#include "ConverterHost.h"

namespace bmp2cdata {

namespace {

// Calls store(slot, red, green, blue) for every pixel in file order until it
// returns false. The file stores the bottom row first and each row left to
// right; the table lists the whole sequence reversed, so the first pixel
// read goes to the last slot.
template <typename Store>
void ForEachPixel(const BmpImage& image, Store store)
{
    const PixelLayout& layout = image.layout;
    std::uint32_t slot = layout.pixelCount;
    for (std::uint32_t row = 0; slot > 0 && row < layout.height; ++row) {
        const std::uint8_t* pixel = image.pixelData.data() + row * layout.rowStride;
        for (std::uint32_t column = 0; column < layout.width; ++column, pixel += 3)
            if (!store(--slot, pixel[2], pixel[1], pixel[0]))
                return;
    }
}

std::uint16_t Pack(bool rgb332, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return rgb332 ? PackRGB332(red, green, blue) : PackRGB565(red, green, blue);
}

}  // namespace

std::uint16_t PackRGB565(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

std::uint8_t PackRGB332(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::uint8_t>((red & 0xE0) | (green & 0xE0) >> 3 | (blue >> 6));
}

std::uint8_t WidenChannel(std::uint32_t level, int bits)
{
    std::uint32_t wide = level << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits)
        wide |= wide >> filled;
    return static_cast<std::uint8_t>(wide & 0xFF);
}

std::uint32_t DisplayedColour(std::uint16_t packed, bool rgb332)
{
    const std::uint32_t red = rgb332 ? WidenChannel(packed >> 5 & 7, 3) : WidenChannel(packed >> 11, 5);
    const std::uint32_t green = rgb332 ? WidenChannel(packed >> 2 & 7, 3) : WidenChannel(packed >> 5 & 0x3F, 6);
    const std::uint32_t blue = rgb332 ? WidenChannel(packed & 3, 2) : WidenChannel(packed & 0x1F, 5);
    return red << 16 | green << 8 | blue;
}

std::vector<std::uint32_t> DisplayedTable(std::span<const std::uint16_t> slots, std::uint32_t width,
                                          std::uint32_t height, bool rgb332)
{
    std::vector<std::uint32_t> shown(std::size_t{width} * height);
    for (std::size_t row = 0; row < height; ++row)
        for (std::size_t column = 0; column < width; ++column)
            shown[row * width + column] = DisplayedColour(slots[row * width + (width - 1 - column)], rgb332);
    return shown;
}

void FillImageData(ConverterHost& host, const BmpImage& image, ImageData& data)
{
    ForEachPixel(image, [&](std::uint32_t slot, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        host.PumpEvents();
        if (StopConversion)
            return false;
        data[slot] = Pack(host.Rgb332Selected(), red, green, blue);
        return true;
    });
}

std::vector<std::uint16_t> PackImage(const BmpImage& image, bool rgb332)
{
    std::vector<std::uint16_t> values(image.layout.pixelCount);
    ForEachPixel(image, [&](std::uint32_t slot, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        values[slot] = Pack(rgb332, red, green, blue);
        return true;
    });
    return values;
}

}  // namespace bmp2cdata
