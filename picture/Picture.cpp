#include "Picture.h"

#include "Prefault.h"

#include <algorithm>
#include <limits>
#include <type_traits>

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

bool Opaque(std::span<const std::uint8_t> rgba)
{
    bool opaque = true;
    for (std::size_t alpha = 3; alpha < rgba.size(); alpha += 4)
        opaque &= rgba[alpha] == kOpaque8;
    return opaque;
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
    rowSums_.resize(std::size_t{window.size.width} * 3);
    sums_.resize(rowSums_.size() * kRowsInProgress);
    fitted_ = {window.size.width, window.size.height, {}};
    fitted_.rgb.reserve(static_cast<std::size_t>(window.size.Area()) * 3);
    PrefaultCapacity(fitted_.rgb);
}

std::uint8_t* PictureBuilder::NextRow()
{
    return Fitting() ? row_.data() : picture_.rgb.data() + std::size_t{rowsAdded_} * size_.width * 3;
}

// Each new column's sum: its first and last old pixels by the lengths it
// covers of them, those between whole. The row's pixels lie stride bytes
// apart, red first.
template <std::size_t Stride>
void PictureBuilder::SumRowAcross(const std::uint8_t* row)
{
    std::uint32_t* sum = rowSums_.data();
    for (const Cover& cover : columns_) {
        const std::uint8_t* first = row + std::size_t{cover.first} * Stride;
        const std::uint8_t* last = row + std::size_t{cover.last} * Stride;
        std::uint32_t between[3] = {};
        for (const std::uint8_t* pixel = first + Stride; pixel < last; pixel += Stride) {
            between[0] += pixel[0];
            between[1] += pixel[1];
            between[2] += pixel[2];
        }
        const std::uint32_t lastLength = last > first ? cover.lastLength : 0;
        for (std::size_t channel = 0; channel < 3; ++channel)
            *sum++ = first[channel] * cover.firstLength +
                     between[channel] * static_cast<std::uint32_t>(window_.scaledWidth) + last[channel] * lastLength;
    }
}

// The old row's sums, weighted as each new row covers it, into the one or
// two new rows it lies in.
void PictureBuilder::AddRowDown()
{
    const std::uint32_t old = rowsAdded_;
    const std::size_t newRowLength = rowSums_.size();
    const std::uint32_t newRows = window_.size.height;
    for (std::uint32_t row = newRow_; row < newRows && rows_[row].first <= old; ++row) {
        const Cover& cover = rows_[row];
        const std::uint32_t weight = old == cover.first ? cover.firstLength
                                     : old == cover.last ? cover.lastLength
                                                         : static_cast<std::uint32_t>(window_.scaledHeight);
        std::uint32_t* sum = &sums_[row % kRowsInProgress * newRowLength];
        for (std::size_t i = 0; i < newRowLength; ++i)
            sum[i] += rowSums_[i] * weight;
    }
    while (newRow_ < newRows && rows_[newRow_].last <= old)
        FinishNewRow();
}

// Old pixels' lengths in a new pixel's sum come to width x height units
// at most, each unit weighing a sample of at most 255: the sums, the running
// sums along a row and the rounding half added below all stay within this.
static_assert(std::uint64_t{0xFF} * kMaxPicturePixels + kMaxPicturePixels / 2 <= std::numeric_limits<std::uint32_t>::max(),
              "a fitted pixel's sum must fit 32 bits");

// The next new row, all its old rows summed, rounded into the fitted
// picture; its slot is cleared for the row that takes it next.
void PictureBuilder::FinishNewRow()
{
    // Every new pixel covers width x height units of old pixels' lengths.
    const auto covered = static_cast<std::uint32_t>(size_.Area());
    const std::size_t length = rowSums_.size();
    std::uint32_t* slot = sums_.data() + newRow_ % kRowsInProgress * length;
    fitted_.rgb.resize(fitted_.rgb.size() + length);
    std::uint8_t* out = fitted_.rgb.data() + fitted_.rgb.size() - length;
    for (std::size_t i = 0; i < length; ++i)
        out[i] = static_cast<std::uint8_t>((slot[i] + covered / 2) / covered);
    std::fill_n(slot, length, 0);
    ++newRow_;
}

void PictureBuilder::RowAdded()
{
    if (Fitting()) {
        SumRowAcross<3>(row_.data());
        AddRowDown();
    }
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
            SumRowAcross<4>(rgba.data());
            AddRowDown();
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
        if (Fitting()) {
            SumRowAcross<3>(passed_.data() + std::size_t{rowsAdded_} * size_.width * 3);
            AddRowDown();
        }
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
