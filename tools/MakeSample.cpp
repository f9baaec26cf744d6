// Writes the sample image the documentation converts: a 24-bit BMP of a colour
// wheel fading to white at the top, small enough to read its table by eye.
//   make_sample OUTPUT.bmp [WIDTH HEIGHT]

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A fully saturated hue (0..1) as red, green and blue in 0..1.
void Hue(double hue, double rgb[3])
{
    for (int channel = 0; channel < 3; ++channel) {
        const double phase = std::fmod(hue * 6.0 + 4.0 - 2.0 * channel + 6.0, 6.0);
        rgb[channel] = std::clamp(std::fabs(phase - 3.0) - 1.0, 0.0, 1.0);
    }
}

std::vector<std::uint8_t> Sample(int width, int height)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> bytes(54 + stride * static_cast<std::size_t>(height));
    Put(bytes, 0, 0x4D42, 2);
    Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    Put(bytes, 10, 54, 4);
    Put(bytes, 14, 40, 4);
    Put(bytes, 18, static_cast<std::uint32_t>(width), 4);
    Put(bytes, 22, static_cast<std::uint32_t>(height), 4);
    Put(bytes, 26, 1, 2);
    Put(bytes, 28, 24, 2);
    for (int row = 0; row < height; ++row) {
        const double whiteness = height > 1 ? double(row) / (height - 1) : 0.0;
        for (int column = 0; column < width; ++column) {
            double rgb[3];
            Hue(double(column) / width, rgb);
            std::size_t at = 54 + static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(column) * 3;
            for (int channel = 2; channel >= 0; --channel) {
                const double value = rgb[channel] + (1.0 - rgb[channel]) * whiteness;
                bytes[at++] = static_cast<std::uint8_t>(std::lround(value * 255.0));
            }
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fputs("usage: make_sample OUTPUT.bmp [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    const int width = argc == 4 ? std::atoi(argv[2]) : 24;
    const int height = argc == 4 ? std::atoi(argv[3]) : 8;
    const std::vector<std::uint8_t> bytes = Sample(width, height);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
