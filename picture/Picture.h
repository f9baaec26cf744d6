#pragma once

#include "BmpDecode.h"
#include "PictureDecoder.h"
#include "PictureFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bmp2cdata {

// A picture as the conversion works on it, whatever file it came from:
// 8-bit red, green and blue, rows from the top, each row left to right.
struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Three bytes a pixel, width * height pixels.
    std::vector<std::uint8_t> rgb;

    std::uint64_t Area() const { return std::uint64_t{width} * height; }
};

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// The size a picture of size takes when fitted into box: scaled down,
// keeping its aspect ratio, until it fits; unchanged when it already fits
// or has no pixels.
PictureSize FittedSize(PictureSize size, PictureSize box);

// Part of a picture scaled: the whole picture scaled to scaledWidth x scaledHeight, of which the
// window of size at left, top is kept. Filling an extreme shape may scale
// one side past 32 bits.
struct ScaledWindow {
    std::uint64_t scaledWidth = 0;
    std::uint64_t scaledHeight = 0;
    std::uint64_t left = 0;
    std::uint64_t top = 0;
    PictureSize size;

    // The whole of a picture of size, unscaled.
    static ScaledWindow Whole(PictureSize size) { return {size.width, size.height, 0, 0, size}; }
    bool Scales(PictureSize from) const { return scaledWidth != from.width || scaledHeight != from.height; }
};

// Builds a picture from its rows, the top row first. Each pixel is laid
// over the background as far as it is transparent (16-bit samples are
// rounded to 8 bits after that). With a box to fit into, each row is added
// into the fitted picture as it comes, so that a large picture is never
// held whole (and with a window, only the window's pixels are summed):
// every new pixel is the mean of the old pixels it covers,
// weighted by how much of each it covers, rounded half up, in integer
// arithmetic, so that every platform gives the same pixels. An interlaced
// file's pixels are held whole, three bytes a pixel, until its last pass.
class PictureBuilder final : public RgbaRows {
public:
    // size's area is at most kMaxPicturePixels; window scales it down,
    // never up.
    PictureBuilder(PictureSize size, const ScaledWindow& window, RgbColour background);
    PictureBuilder(PictureSize size, std::optional<PictureSize> fit, RgbColour background);

    void AddRow(std::span<const std::uint8_t> rgba) override;
    void AddRow(std::span<const std::uint16_t> rgba) override;
    void AddPassRow(int pass, std::span<const std::uint8_t> rgba) override;
    void AddPassRow(int pass, std::span<const std::uint16_t> rgba) override;
    // A row as a BMP file holds it: blue, green, red.
    void AddBgrRow(const std::uint8_t* bgr);

    // Whether exactly as many rows as the size has, each of its width, came.
    bool Complete() const { return !broken_ && rowsAdded_ == size_.height; }
    // The picture, once Complete.
    Picture Finish();

private:
    template <typename Sample>
    void AddRgbaRow(std::span<const Sample> rgba);
    template <typename Sample>
    void AddRgbaPassRow(int pass, std::span<const Sample> rgba);
    void StartPasses();
    void SkipEmptyPasses();
    void PassRowAdded();
    void AddPassedRows();
    std::uint8_t* NextRow();
    void RowAdded();
    bool Fitting() const { return window_.Scales(size_) || window_.size != size_; }

    PictureSize size_;
    ScaledWindow window_;
    RgbColour background_;
    std::uint32_t rowsAdded_ = 0;
    bool broken_ = false;
    Picture picture_;
    // What a new pixel covers of count old ones shrinking to newCount,
    // in units in which an old pixel is newCount long and a new one count
    // long, so that every length is whole: the first and the last old
    // pixel it touches, the lengths of them it covers, and all of those
    // between. Within kMaxPicturePixels, the sums fit 32 bits.
    struct Cover {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::uint32_t firstLength = 0;
        std::uint32_t lastLength = 0;
    };
    // Those of length new pixels from first on.
    static std::vector<Cover> Covers(std::uint32_t count, std::uint32_t newCount, std::uint32_t first,
                                     std::uint32_t length);
    template <std::size_t Stride>
    void AddRowDown(const std::uint8_t* row);
    template <std::size_t Stride>
    void SumRowDown(const std::uint8_t* row, std::optional<std::uint32_t> weight);
    template <std::size_t Stride>
    void WeighRowDown(const std::uint8_t* from, std::uint32_t weight);
    template <std::size_t Stride>
    void AddRowInside(const std::uint8_t* from);
    void WeighRowsInside();
    void FinishNewRow();

    // When fitting: the old row being added when it must be laid over the
    // background first, and the old columns and rows each new one covers.
    std::vector<std::uint8_t> row_;
    std::vector<Cover> columns_;
    std::vector<Cover> rows_;
    // The next new row to be reached, and its old rows' sums so far, column
    // by column, four samples an old pixel (the fourth unused, so that an
    // RGBA row adds in a straight run): those of the old rows it covers in
    // part, weighted, and those of the rows inside it, to be weighted once.
    // A new row is summed down first and across once, when its last old row
    // has come; an old row that lies in two new rows adds into the second
    // once the first is written, so one row of sums is all that is held.
    // The first row into either sums overwrites them, so they are never
    // cleared; the rows inside add in 16 bits, half the memory to go
    // through, and are weighed into the sums down when those would fill.
    std::uint32_t newRow_ = 0;
    std::vector<std::uint32_t> down_;
    std::vector<std::uint16_t> inside_;
    bool downEmpty_ = true;
    std::uint32_t rowsInside_ = 0;
    Picture fitted_;

    // An interlaced file's next pass and row in it, and, when fitting, its
    // pixels so far.
    bool interlaced_ = false;
    int pass_ = 0;
    std::uint32_t passRow_ = 0;
    std::vector<std::uint8_t> passed_;
};

// The pixels of an accepted BMP image, turned the right way up, and the
// window of them scaled down when given.
Picture PictureFromBmp(const BmpImage& image, std::optional<ScaledWindow> window = std::nullopt);

}  // namespace bmp2cdata
