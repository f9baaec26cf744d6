#include "PicturePacking.h"

#include "PixelPacking.h"

#include <algorithm>
#include <array>

namespace bmp2cdata {

namespace {

// Floyd and Steinberg's weights, in sixteenths, for the pixel ahead on the
// same row, and behind, below and ahead on the next row.
constexpr int kAhead = 7;
constexpr int kBelowBehind = 3;
constexpr int kBelow = 5;
constexpr int kBelowAhead = 1;

// Bits of red, green and blue in a packed value, and where each one lies.
constexpr int kBits565[3] = {5, 6, 5}, kShifts565[3] = {11, 5, 0};
constexpr int kBits332[3] = {3, 3, 2}, kShifts332[3] = {5, 2, 0};

// One channel of a layout: for every 8-bit value the nearest level the
// LCD shows and the value it shows for that level, and where the level lies
// in the packed value.
struct ChannelLevels {
    std::array<std::uint8_t, 256> level{};
    std::array<std::uint8_t, 256> shown{};
    int shift = 0;
};

std::array<ChannelLevels, 3> LevelsOf(bool rgb332)
{
    std::array<ChannelLevels, 3> channels;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const int bits = rgb332 ? kBits332[channel] : kBits565[channel];
        const int highest = (1 << bits) - 1;
        channels[channel].shift = rgb332 ? kShifts332[channel] : kShifts565[channel];
        for (int value = 0; value < 256; ++value) {
            const auto level = static_cast<std::uint32_t>((value * highest + 127) / 255);
            channels[channel].level[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(level);
            channels[channel].shown[static_cast<std::size_t>(value)] = WidenChannel(level, bits);
        }
    }
    return channels;
}

// The table slot of the pixel at column, row.
std::size_t Slot(const Picture& picture, std::uint32_t column, std::uint32_t row)
{
    return std::size_t{row} * picture.width + (picture.width - 1 - column);
}

void PackPlain(const Picture& picture, bool rgb332, std::span<std::uint16_t> slots)
{
    const std::uint8_t* pixel = picture.rgb.data();
    for (std::uint32_t row = 0; row < picture.height; ++row)
        for (std::uint32_t column = 0; column < picture.width; ++column, pixel += 3)
            slots[Slot(picture, column, row)] = rgb332 ? PackRGB332(pixel[0], pixel[1], pixel[2])
                                                       : PackRGB565(pixel[0], pixel[1], pixel[2]);
}

// The errors still to be added to the pixels of the row being packed and of
// the next one, in sixteenths of a channel step, with a spare pixel at
// either end so that the edges need no tests.
class ErrorRows {
public:
    explicit ErrorRows(std::uint32_t width) : current_((width + 2) * 3), next_((width + 2) * 3) {}

    // What the pixel at column has been given so far, rounded.
    int Carried(std::uint32_t column, int channel) const { return (current_[At(column, channel)] + 8) >> 4; }

    // Passes a pixel's error on; step is 1 on a row packed left to right,
    // -1 on one packed right to left.
    void Spread(std::uint32_t column, int step, int channel, int error)
    {
        const std::size_t at = At(column, channel);
        const std::size_t ahead = step > 0 ? at + 3 : at - 3;
        const std::size_t behind = step > 0 ? at - 3 : at + 3;
        current_[ahead] += error * kAhead;
        next_[behind] += error * kBelowBehind;
        next_[at] += error * kBelow;
        next_[ahead] += error * kBelowAhead;
    }

    void NextRow()
    {
        std::swap(current_, next_);
        std::fill(next_.begin(), next_.end(), 0);
    }

private:
    static std::size_t At(std::uint32_t column, int channel)
    {
        return (std::size_t{column} + 1) * 3 + static_cast<std::size_t>(channel);
    }

    std::vector<int> current_;
    std::vector<int> next_;
};

// Packs the pixel at column of row with the errors it has been given, and
// passes on what its levels miss.
std::uint16_t PackDithered(const std::uint8_t* pixel, std::uint32_t column, int step,
                           const std::array<ChannelLevels, 3>& levels, ErrorRows& errors)
{
    std::uint32_t packed = 0;
    for (int channel = 0; channel < 3; ++channel) {
        const ChannelLevels& channelLevels = levels[static_cast<std::size_t>(channel)];
        const auto wanted = static_cast<std::size_t>(std::clamp(pixel[channel] + errors.Carried(column, channel), 0, 255));
        errors.Spread(column, step, channel, static_cast<int>(wanted) - channelLevels.shown[wanted]);
        packed |= std::uint32_t{channelLevels.level[wanted]} << channelLevels.shift;
    }
    return static_cast<std::uint16_t>(packed);
}

void PackDithered(const Picture& picture, bool rgb332, std::span<std::uint16_t> slots)
{
    const std::array<ChannelLevels, 3> levels = LevelsOf(rgb332);
    ErrorRows errors(picture.width);
    for (std::uint32_t row = 0; row < picture.height; ++row, errors.NextRow()) {
        // Serpentine: every other row runs right to left, so that the errors
        // do not all drift one way.
        const bool rightward = row % 2 == 0;
        const int step = rightward ? 1 : -1;
        for (std::uint32_t done = 0; done < picture.width; ++done) {
            const std::uint32_t column = rightward ? done : picture.width - 1 - done;
            const std::uint8_t* pixel = picture.rgb.data() + (std::size_t{row} * picture.width + column) * 3;
            slots[Slot(picture, column, row)] = PackDithered(pixel, column, step, levels, errors);
        }
    }
}

// Bayer's 8 x 8 matrix: each of the 64 thresholds once, every 2 x 2, 4 x 4
// and 8 x 8 square spread as evenly as it can be.
constexpr std::uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};
constexpr std::uint32_t kBayerCells = 64;

// One channel for ordered dithering: for every 8-bit value the level the
// LCD shows at or below it, and in how many of the 64 cells the level
// above takes its place, rounded, so that their mean is the value.
struct OrderedLevels {
    std::array<std::uint8_t, 256> lower{};
    std::array<std::uint8_t, 256> cellsAbove{};
    int shift = 0;
};

std::array<OrderedLevels, 3> OrderedLevelsOf(bool rgb332)
{
    std::array<OrderedLevels, 3> channels;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const int bits = rgb332 ? kBits332[channel] : kBits565[channel];
        channels[channel].shift = rgb332 ? kShifts332[channel] : kShifts565[channel];
        std::uint32_t level = 0;
        for (std::uint32_t value = 0; value < 256; ++value) {
            while (level + 1 < (1u << bits) && WidenChannel(level + 1, bits) <= value)
                ++level;
            const std::uint32_t below = WidenChannel(level, bits);
            const std::uint32_t step = level + 1 < (1u << bits) ? WidenChannel(level + 1, bits) - below : 1;
            channels[channel].lower[value] = static_cast<std::uint8_t>(level);
            channels[channel].cellsAbove[value] =
                static_cast<std::uint8_t>(((value - below) * kBayerCells + step / 2) / step);
        }
    }
    return channels;
}

void PackOrdered(const Picture& picture, bool rgb332, std::span<std::uint16_t> slots)
{
    const std::array<OrderedLevels, 3> levels = OrderedLevelsOf(rgb332);
    const std::uint8_t* pixel = picture.rgb.data();
    for (std::uint32_t row = 0; row < picture.height; ++row)
        for (std::uint32_t column = 0; column < picture.width; ++column, pixel += 3) {
            const std::uint8_t threshold = kBayer[row % 8][column % 8];
            std::uint32_t packed = 0;
            for (std::size_t channel = 0; channel < 3; ++channel) {
                const OrderedLevels& channelLevels = levels[channel];
                const std::uint32_t level =
                    channelLevels.lower[pixel[channel]] + (threshold < channelLevels.cellsAbove[pixel[channel]] ? 1 : 0);
                packed |= level << channelLevels.shift;
            }
            slots[Slot(picture, column, row)] = static_cast<std::uint16_t>(packed);
        }
}

}  // namespace

void PackPicture(const Picture& picture, bool rgb332, Dither dither, std::span<std::uint16_t> slots)
{
    // A BMP file may declare a width of millions with a height of 0.
    if (picture.Area() == 0)
        return;
    if (dither == Dither::FloydSteinberg)
        PackDithered(picture, rgb332, slots);
    else if (dither == Dither::Ordered)
        PackOrdered(picture, rgb332, slots);
    else
        PackPlain(picture, rgb332, slots);
}

std::vector<std::uint32_t> DisplayedPicture(const Picture& picture, bool rgb332, Dither dither)
{
    std::vector<std::uint16_t> slots(static_cast<std::size_t>(picture.Area()));
    PackPicture(picture, rgb332, dither, slots);
    return DisplayedTable(slots, picture.width, picture.height, rgb332);
}

}  // namespace bmp2cdata
