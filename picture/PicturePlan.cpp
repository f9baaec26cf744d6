#include "PicturePlan.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace bmp2cdata {

namespace {

constexpr std::uint8_t kFull = 0xFF;

// n * m / d rounded half up; n and d below 2^32, m at most a box's side.
std::uint64_t ScaledSide(std::uint64_t n, std::uint64_t m, std::uint64_t d)
{
    return (n * m + d / 2) / d;
}

// The window of a picture of size scaled, keeping its shape, until it
// covers box, cut to box about the middle; an odd pixel more is cut at the
// right or the bottom.
ScaledWindow CoveringWindow(PictureSize size, PictureSize box)
{
    const bool widthCovers = std::uint64_t{box.width} * size.height >= std::uint64_t{box.height} * size.width;
    const std::uint64_t width = widthCovers ? box.width : ScaledSide(size.width, box.height, size.height);
    const std::uint64_t height = widthCovers ? ScaledSide(size.height, box.width, size.width) : box.height;
    return {width, height, (width - box.width) / 2, (height - box.height) / 2, box};
}

// A window as shown, in the stored picture's coordinates.
ScaledWindow ToStored(const ScaledWindow& shown, Orientation orientation)
{
    ScaledWindow stored = shown;
    if (orientation.transpose)
        stored = {shown.scaledHeight, shown.scaledWidth, shown.top, shown.left, {shown.size.height, shown.size.width}};
    if (orientation.flipColumns)
        stored.left = stored.scaledWidth - stored.left - stored.size.width;
    if (orientation.flipRows)
        stored.top = stored.scaledHeight - stored.top - stored.size.height;
    return stored;
}

// For count new pixels from first on, along a side of old pixels scaled to
// scaled: the old pixel under each one's centre. With old below 2^25 and
// scaled below 2^37, the products stay within 64 bits.
std::vector<std::uint32_t> NearestPixels(std::uint32_t old, std::uint64_t scaled, std::uint64_t first,
                                         std::uint32_t count)
{
    std::vector<std::uint32_t> pixels(count);
    for (std::uint32_t pixel = 0; pixel < count; ++pixel)
        pixels[pixel] = static_cast<std::uint32_t>((2 * (first + pixel) + 1) * old / (2 * scaled));
    return pixels;
}

Picture OnCanvas(const Picture& picture, const PicturePlan& plan, RgbColour background)
{
    Picture canvas{plan.output.width, plan.output.height, {}};
    canvas.rgb.resize(static_cast<std::size_t>(canvas.Area()) * 3);
    for (std::size_t at = 0; at < canvas.rgb.size(); at += 3) {
        canvas.rgb[at] = background.red;
        canvas.rgb[at + 1] = background.green;
        canvas.rgb[at + 2] = background.blue;
    }
    const std::size_t rowBytes = std::size_t{picture.width} * 3;
    for (std::uint32_t row = 0; row < picture.height; ++row)
        std::copy_n(picture.rgb.begin() + static_cast<std::ptrdiff_t>(row * rowBytes), rowBytes,
                    canvas.rgb.begin() +
                        static_cast<std::ptrdiff_t>(((std::size_t{plan.top} + row) * canvas.width + plan.left) * 3));
    return canvas;
}

void SwapRedAndBlue(Picture& picture)
{
    for (std::size_t at = 0; at < picture.rgb.size(); at += 3)
        std::swap(picture.rgb[at], picture.rgb[at + 2]);
}

}  // namespace

PicturePlan PlanPicture(PictureSize stored, Orientation orientation, const PictureOptions& options)
{
    const PictureSize shown = OrientedSize(stored, orientation);
    PicturePlan plan{orientation, ScaledWindow::Whole(shown), ScaledWindow::Whole(stored), false, shown};
    if (!options.box || shown.Area() == 0)
        return plan;
    const PictureSize box = *options.box;
    const ScaledWindow window = options.sizing == Sizing::Fill ? CoveringWindow(shown, box)
                                                               : ScaledWindow::Whole(FittedSize(shown, box));
    plan.shown = window;
    plan.stored = ToStored(window, orientation);
    plan.enlarges = window.scaledWidth > shown.width || window.scaledHeight > shown.height;
    plan.output = window.size;
    if (options.sizing == Sizing::Pad) {
        // An odd pixel of margin goes to the right or the bottom.
        plan.output = box;
        plan.left = (box.width - window.size.width) / 2;
        plan.top = (box.height - window.size.height) / 2;
    }
    return plan;
}

Picture Enlarged(const Picture& picture, const ScaledWindow& window)
{
    const std::vector<std::uint32_t> columns =
        NearestPixels(picture.width, window.scaledWidth, window.left, window.size.width);
    const std::vector<std::uint32_t> rows = NearestPixels(picture.height, window.scaledHeight, window.top, window.size.height);
    Picture enlarged{window.size.width, window.size.height, {}};
    enlarged.rgb.reserve(static_cast<std::size_t>(enlarged.Area()) * 3);
    for (const std::uint32_t row : rows)
        for (const std::uint32_t column : columns) {
            const auto pixel = picture.rgb.begin() + static_cast<std::ptrdiff_t>((std::size_t{row} * picture.width + column) * 3);
            enlarged.rgb.insert(enlarged.rgb.end(), pixel, pixel + 3);
        }
    return enlarged;
}

Picture FinishedPicture(Picture built, const PicturePlan& plan, const PictureOptions& options)
{
    if (plan.orientation != Orientation{})
        built = Oriented(built, plan.orientation);
    if (plan.enlarges)
        built = Enlarged(built, plan.shown);
    if (plan.output != PictureSize{built.width, built.height})
        built = OnCanvas(built, plan, options.background);
    if (options.bgr)
        SwapRedAndBlue(built);
    return built;
}

Picture TestCard(PictureSize size)
{
    constexpr std::array<RgbColour, 8> kBars = {{{kFull, 0, 0}, {0, kFull, 0}, {0, 0, kFull}, {kFull, kFull, kFull},
                                                  {0, kFull, kFull}, {kFull, 0, kFull}, {kFull, kFull, 0}, {0, 0, 0}}};
    // Inside the frame.
    const std::uint32_t width = size.width > 2 ? size.width - 2 : 0;
    const std::uint32_t height = size.height > 2 ? size.height - 2 : 0;
    const std::uint32_t barWidth = width / kBars.size();
    Picture card{size.width, size.height, {}};
    card.rgb.reserve(static_cast<std::size_t>(size.Area()) * 3);
    for (std::uint32_t row = 0; row < size.height; ++row)
        for (std::uint32_t column = 0; column < size.width; ++column) {
            RgbColour colour{kFull, kFull, kFull};
            const std::uint32_t x = column - 1;
            if (column == 0 || row == 0 || column > width || row > height) {
                // The frame.
            } else if (row - 1 < height / 2) {
                colour = kBars[barWidth == 0 ? kBars.size() - 1 : std::min<std::size_t>(x / barWidth, kBars.size() - 1)];
            } else {
                const auto grey = static_cast<std::uint8_t>(width < 2 ? 0 : (x * kFull + (width - 1) / 2) / (width - 1));
                colour = {grey, grey, grey};
            }
            card.rgb.insert(card.rgb.end(), {colour.red, colour.green, colour.blue});
        }
    return card;
}

}  // namespace bmp2cdata
