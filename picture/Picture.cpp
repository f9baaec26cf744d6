#include "Picture.h"

#include "Prefault.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace bmp2cdata {

namespace {

constexpr std::uint32_t kOpaque8 = 0xFF;
constexpr std::uint64_t kOpaque16 = 0xFFFF;
// A 16-bit channel value for an 8-bit one: 0xAB becomes 0xABAB.
constexpr std::uint64_t kWiden8To16 = 0x101;

std::uint8_t Blend8(std::uint32_t colour, std::uint32_t alpha, std::uint8_t background)
{
    return static_cast<std::uint8_t>((colour * alpha + background * (kOpaque8 - alpha) + kOpaque8 / 2) / kOpaque8);
}

std::uint8_t Blend16(std::uint64_t colour, std::uint64_t alpha, std::uint8_t background)
{
    const std::uint64_t blended =
        (colour * alpha + background * kWiden8To16 * (kOpaque16 - alpha) + kOpaque16 / 2) / kOpaque16;
    return static_cast<std::uint8_t>((blended * kOpaque8 + kOpaque16 / 2) / kOpaque16);
}

void BlendPixel(const std::uint8_t* rgba, const std::uint8_t* background, std::uint8_t* rgb)
{
    if (rgba[3] == kOpaque8) {
        rgb[0] = rgba[0];
        rgb[1] = rgba[1];
        rgb[2] = rgba[2];
        return;
    }
    for (int channel = 0; channel < 3; ++channel)
        rgb[channel] = Blend8(rgba[channel], rgba[3], background[channel]);
}

// Pixels are ANDed four bytes at a time, which compilers vectorise; the
// fourth byte of the result is then the AND of every alpha.
bool Opaque(std::span<const std::uint8_t> rgba)
{
    std::uint32_t all = ~std::uint32_t{0};
    for (std::size_t at = 0; at + 4 <= rgba.size(); at += 4) {
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, rgba.data() + at, 4);
        all &= pixel;
    }
    std::uint8_t bytes[4] = {};
    std::memcpy(bytes, &all, 4);
    return bytes[3] == kOpaque8;
}

void BlendPixel(const std::uint16_t* rgba, const std::uint8_t* background, std::uint8_t* rgb)
{
    for (int channel = 0; channel < 3; ++channel)
        rgb[channel] = Blend16(rgba[channel], rgba[3], background[channel]);
}

}  // namespace

PictureSize FittedSize(PictureSize size, PictureSize box)
{
    if ((size.width <= box.width && size.height <= box.height) || size.Area() == 0)
        return size;
    // n * m / d rounded half up, never below one pixel.
    const auto scaled = [](std::uint64_t n, std::uint64_t m, std::uint64_t d) {
        return static_cast<std::uint32_t>(std::max<std::uint64_t>(1, (n * m + d / 2) / d));
    };
    // The side that must shrink more sets the scale; the other, rounded,
    // cannot then pass its own limit.
    if (std::uint64_t{box.width} * size.height <= std::uint64_t{box.height} * size.width)
        return {box.width, scaled(size.height, box.width, size.width)};
    return {scaled(size.width, box.height, size.height), box.height};
}

std::vector<PictureBuilder::Cover> PictureBuilder::Covers(std::uint32_t count, std::uint32_t newCount,
                                                          std::uint32_t first, std::uint32_t length)
{
    std::vector<Cover> covers(length);
    for (std::uint32_t pixel = first; pixel < first + length; ++pixel) {
        const std::uint64_t start = std::uint64_t{pixel} * count;
        const std::uint64_t end = start + count;
        Cover& cover = covers[pixel - first];
        cover.first = static_cast<std::uint32_t>(start / newCount);
        cover.last = static_cast<std::uint32_t>((end - 1) / newCount);
        cover.firstLength = static_cast<std::uint32_t>(std::min((std::uint64_t{cover.first} + 1) * newCount, end) - start);
        cover.lastLength = static_cast<std::uint32_t>(end - std::uint64_t{cover.last} * newCount);
    }
    return covers;
}

PictureBuilder::PictureBuilder(PictureSize size, std::optional<PictureSize> fit, RgbColour background)
    : PictureBuilder(size, ScaledWindow::Whole(fit ? FittedSize(size, *fit) : size), background)
{
}

PictureBuilder::PictureBuilder(PictureSize size, const ScaledWindow& window, RgbColour background)
    : size_(size), window_(window), background_(background)
{
    const bool enlarges = window.scaledWidth > size.width || window.scaledHeight > size.height ||
                          window.left + window.size.width > window.scaledWidth ||
                          window.top + window.size.height > window.scaledHeight;
    if (size.Area() > kMaxPicturePixels || enlarges) {
        broken_ = true;
        size_ = {};
        window_ = ScaledWindow::Whole(size_);
    }
    if (!Fitting()) {
        picture_ = {size_.width, size_.height, std::vector<std::uint8_t>(static_cast<std::size_t>(size_.Area()) * 3)};
        return;
    }
    // Within the size, the scaled sides and the window fit 32 bits.
    const auto scaledWidth = static_cast<std::uint32_t>(window.scaledWidth);
    const auto scaledHeight = static_cast<std::uint32_t>(window.scaledHeight);
    row_.resize(std::size_t{size.width} * 3);
    columns_ = Covers(size.width, scaledWidth, static_cast<std::uint32_t>(window.left), window.size.width);
    rows_ = Covers(size.height, scaledHeight, static_cast<std::uint32_t>(window.top), window.size.height);
    if (!columns_.empty())
        down_.resize((std::size_t{columns_.back().last} - columns_.front().first + 1) * 4);
    inside_.resize(down_.size());
    fitted_ = {window.size.width, window.size.height, {}};
    fitted_.rgb.reserve(static_cast<std::size_t>(window.size.Area()) * 3);
    PrefaultCapacity(fitted_.rgb);
}

std::uint8_t* PictureBuilder::NextRow()
{
    return Fitting() ? row_.data() : picture_.rgb.data() + std::size_t{rowsAdded_} * size_.width * 3;
}

// The old row's samples into the sums down of the columns the new ones
// cover: by weight for an old row that a new one covers only in part, and
// whole for one inside it, whose samples are weighed once the new row is
// done, so that most rows add without a multiplication. The row's pixels
// lie stride bytes apart, red first.
template <std::size_t Stride>
void PictureBuilder::SumRowDown(const std::uint8_t* row, std::optional<std::uint32_t> weight)
{
    if (columns_.empty())
        return;
    const std::uint8_t* from = row + std::size_t{columns_.front().first} * Stride;
    if (weight)
        WeighRowDown<Stride>(from, *weight);
    else
        AddRowInside<Stride>(from);
}

template <std::size_t Stride>
void PictureBuilder::WeighRowDown(const std::uint8_t* from, std::uint32_t weight)
{
    std::uint32_t* to = down_.data();
    const bool empty = std::exchange(downEmpty_, false);
    if constexpr (Stride == 4) {
        // A weight of 16 bits multiplies in 16-bit halves, which SSE2 has.
        const auto narrow = static_cast<std::uint16_t>(weight);
        if (empty && narrow == weight)
            for (std::size_t i = 0; i < down_.size(); ++i)
                to[i] = static_cast<std::uint32_t>(std::uint16_t{from[i]} * narrow);
        else if (narrow == weight)
            for (std::size_t i = 0; i < down_.size(); ++i)
                to[i] += static_cast<std::uint32_t>(std::uint16_t{from[i]} * narrow);
        else
            for (std::size_t i = 0; i < down_.size(); ++i)
                to[i] = (empty ? 0 : to[i]) + from[i] * weight;
    } else {
        for (std::size_t pixel = 0; pixel < down_.size() / 4; ++pixel, from += Stride, to += 4)
            for (std::size_t channel = 0; channel < 3; ++channel)
                to[channel] = (empty ? 0 : to[channel]) + from[channel] * weight;
    }
}

// Rows of 8-bit samples that 16-bit sums hold whole.
constexpr std::uint32_t kRowsInsideHeld = 0xFFFF / 0xFF;

template <std::size_t Stride>
void PictureBuilder::AddRowInside(const std::uint8_t* from)
{
    if (rowsInside_ == kRowsInsideHeld)
        WeighRowsInside();
    std::uint16_t* to = inside_.data();
    const bool empty = rowsInside_++ == 0;
    if constexpr (Stride == 4) {
        if (empty)
            std::copy_n(from, inside_.size(), to);
        else
            for (std::size_t i = 0; i < inside_.size(); ++i)
                to[i] = static_cast<std::uint16_t>(to[i] + from[i]);
    } else {
        for (std::size_t pixel = 0; pixel < inside_.size() / 4; ++pixel, from += Stride, to += 4)
            for (std::size_t channel = 0; channel < 3; ++channel)
                to[channel] = static_cast<std::uint16_t>((empty ? 0 : to[channel]) + from[channel]);
    }
}

// The rows inside so far into the sums down, each weighing a whole old row.
void PictureBuilder::WeighRowsInside()
{
    const auto inside = static_cast<std::uint32_t>(window_.scaledHeight);
    for (std::size_t i = 0; i < down_.size(); ++i)
        down_[i] = (downEmpty_ ? 0 : down_[i]) + inside_[i] * inside;
    downEmpty_ = false;
    rowsInside_ = 0;
}

// The old row, weighted as each new row covers it, into the one or two
// new rows it lies in, writing out each new row it ends.
template <std::size_t Stride>
void PictureBuilder::AddRowDown(const std::uint8_t* row)
{
    const std::uint32_t old = rowsAdded_;
    while (newRow_ < rows_.size() && rows_[newRow_].first <= old) {
        const Cover& cover = rows_[newRow_];
        SumRowDown<Stride>(row, old == cover.first  ? std::optional(cover.firstLength)
                                : old == cover.last ? std::optional(cover.lastLength)
                                                    : std::nullopt);
        if (cover.last != old)
            break;
        FinishNewRow();
    }
}

namespace {

// Divides by one divisor many times over, by a multiplication: the
// reciprocal is rounded down, so the quotient it gives is at most one
// short, which one comparison mends.
struct Divider {
    explicit Divider(std::uint32_t by) : divisor(by), reciprocal((std::uint64_t{1} << 32) / by) {}
    std::uint32_t operator()(std::uint32_t number) const
    {
        auto quotient = static_cast<std::uint32_t>((number * reciprocal) >> 32);
        return quotient + (number - quotient * divisor >= divisor ? 1 : 0);
    }
    std::uint32_t divisor;
    std::uint64_t reciprocal;
};

}  // namespace

// Old pixels' lengths in a new pixel's sum come to width x height units
// at most, each unit weighing a sample of at most 255: the sums down, the
// sums across them and the rounding half added below all stay within this.
static_assert(std::uint64_t{0xFF} * kMaxPicturePixels + kMaxPicturePixels / 2 <= std::numeric_limits<std::uint32_t>::max(),
              "a fitted pixel's sum must fit 32 bits");

// The next new row: each new pixel's first and last old columns summed down
// by the lengths it covers of them, those between whole, rounded into the
// fitted picture; the sums are then left to the next new row's first rows
// to overwrite.
void PictureBuilder::FinishNewRow()
{
    // Every new pixel covers width x height units of old pixels' lengths.
    const Divider covered(static_cast<std::uint32_t>(size_.Area()));
    const auto between = static_cast<std::uint32_t>(window_.scaledWidth);
    const std::uint32_t inside = rowsInside_ > 0 ? static_cast<std::uint32_t>(window_.scaledHeight) : 0;
    const std::uint32_t left = columns_.empty() ? 0 : columns_.front().first;
    const std::size_t length = columns_.size() * 3;
    fitted_.rgb.resize(fitted_.rgb.size() + length);
    std::uint8_t* out = fitted_.rgb.data() + fitted_.rgb.size() - length;
    const std::uint32_t* down = down_.data();
    const std::uint16_t* rowsInside = inside_.data();
    for (const Cover& cover : columns_) {
        const std::size_t first = std::size_t{cover.first - left} * 4;
        const std::size_t last = std::size_t{cover.last - left} * 4;
        // All four samples of a pixel at once, so that they add as one vector.
        std::uint32_t wholeDown[4] = {}, wholeInside[4] = {};
        for (std::size_t pixel = first + 4; pixel < last; pixel += 4)
            for (std::size_t channel = 0; channel < 4; ++channel) {
                wholeDown[channel] += down[pixel + channel];
                wholeInside[channel] += rowsInside[pixel + channel];
            }
        const std::uint32_t lastLength = last > first ? cover.lastLength : 0;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            const std::uint32_t whole = wholeDown[channel] + wholeInside[channel] * inside;
            const std::uint32_t firstSum = down[first + channel] + rowsInside[first + channel] * inside;
            const std::uint32_t lastSum = down[last + channel] + rowsInside[last + channel] * inside;
            const std::uint32_t sum = firstSum * cover.firstLength + whole * between + lastSum * lastLength;
            *out++ = static_cast<std::uint8_t>(covered(sum + covered.divisor / 2));
        }
    }
    downEmpty_ = true;
    rowsInside_ = 0;
    ++newRow_;
}

void PictureBuilder::RowAdded()
{
    if (Fitting())
        AddRowDown<3>(row_.data());
    ++rowsAdded_;
}

template <typename Sample>
void PictureBuilder::AddRgbaRow(std::span<const Sample> rgba)
{
    if (rgba.size() != std::size_t{size_.width} * 4 || rowsAdded_ >= size_.height || interlaced_) {
        broken_ = true;
        return;
    }
    // An opaque row to be fitted, as most are, is summed where it lies.
    if constexpr (std::is_same_v<Sample, std::uint8_t>) {
        if (Fitting() && Opaque(rgba)) {
            AddRowDown<4>(rgba.data());
            ++rowsAdded_;
            return;
        }
    }
    std::uint8_t* out = NextRow();
    const std::uint8_t background[3] = {background_.red, background_.green, background_.blue};
    for (const Sample* in = rgba.data(); in != rgba.data() + rgba.size(); in += 4, out += 3)
        BlendPixel(in, background, out);
    RowAdded();
}

void PictureBuilder::AddRow(std::span<const std::uint8_t> rgba)
{
    AddRgbaRow(rgba);
}

void PictureBuilder::AddRow(std::span<const std::uint16_t> rgba)
{
    AddRgbaRow(rgba);
}

// The first pass row: a file gives its rows in passes or whole, never
// both; when fitting, the picture is held whole until its last pass.
void PictureBuilder::StartPasses()
{
    interlaced_ = true;
    broken_ = broken_ || rowsAdded_ > 0;
    if (Fitting() && !broken_)
        passed_.resize(static_cast<std::size_t>(size_.Area()) * 3);
}

void PictureBuilder::SkipEmptyPasses()
{
    while (pass_ < kInterlacePassCount && InterlacePassSize(size_, pass_).Area() == 0)
        ++pass_;
}

template <typename Sample>
void PictureBuilder::AddRgbaPassRow(int pass, std::span<const Sample> rgba)
{
    if (!interlaced_)
        StartPasses();
    SkipEmptyPasses();
    if (broken_ || pass != pass_ || pass_ >= kInterlacePassCount ||
        rgba.size() != std::size_t{InterlacePassSize(size_, pass).width} * 4) {
        broken_ = true;
        return;
    }
    // Each pixel goes where its pass puts it.
    const InterlacePass& geometry = kInterlacePasses[pass];
    const std::size_t row = geometry.row + std::size_t{passRow_} * geometry.rowStep;
    std::uint8_t* out = (Fitting() ? passed_.data() : picture_.rgb.data()) + (row * size_.width + geometry.column) * 3;
    const std::uint8_t background[3] = {background_.red, background_.green, background_.blue};
    for (const Sample* in = rgba.data(); in != rgba.data() + rgba.size(); in += 4, out += geometry.columnStep * 3)
        BlendPixel(in, background, out);
    PassRowAdded();
}

void PictureBuilder::PassRowAdded()
{
    if (++passRow_ < InterlacePassSize(size_, pass_).height)
        return;
    passRow_ = 0;
    ++pass_;
    SkipEmptyPasses();
    if (pass_ == kInterlacePassCount)
        AddPassedRows();
}

// After the last pass, every row is whole: a picture that is not fitted
// holds them already, one that is has them added as if they had come so.
void PictureBuilder::AddPassedRows()
{
    for (; rowsAdded_ < size_.height; ++rowsAdded_)
        if (Fitting())
            AddRowDown<3>(passed_.data() + std::size_t{rowsAdded_} * size_.width * 3);
    passed_ = {};
}

void PictureBuilder::AddPassRow(int pass, std::span<const std::uint8_t> rgba)
{
    AddRgbaPassRow(pass, rgba);
}

void PictureBuilder::AddPassRow(int pass, std::span<const std::uint16_t> rgba)
{
    AddRgbaPassRow(pass, rgba);
}

void PictureBuilder::AddBgrRow(const std::uint8_t* bgr)
{
    if (rowsAdded_ >= size_.height || interlaced_) {
        broken_ = true;
        return;
    }
    std::uint8_t* out = NextRow();
    for (std::uint32_t column = 0; column < size_.width; ++column, bgr += 3, out += 3) {
        out[0] = bgr[2];
        out[1] = bgr[1];
        out[2] = bgr[0];
    }
    RowAdded();
}

Picture PictureBuilder::Finish()
{
    if (!Fitting())
        return std::move(picture_);
    // Rows that never came are left black, as unfitted ones are.
    fitted_.rgb.resize(static_cast<std::size_t>(fitted_.Area()) * 3);
    return std::move(fitted_);
}

Picture PictureFromBmp(const BmpImage& image, std::optional<ScaledWindow> window)
{
    const PixelLayout& layout = image.layout;
    const PictureSize size{layout.width, layout.height};
    PictureBuilder builder(size, window.value_or(ScaledWindow::Whole(size)), {});
    // The file holds the bottom row first.
    for (std::uint32_t row = layout.height; layout.pixelCount > 0 && row-- > 0;)
        builder.AddBgrRow(image.pixelData.data() + row * layout.rowStride);
    return builder.Finish();
}

}  // namespace bmp2cdata
