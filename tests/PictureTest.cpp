// Pictures in the core's terms: what a file's first bytes say, alpha laid
// over the background, fitting by area averaging, orientation, filling and
// padding, the test card, dithering and the split into tables.

#include "BufferHost.h"
#include "CdataTable.h"
#include "ConvertPicture.h"
#include "Orientation.h"
#include "Picture.h"
#include "PicturePacking.h"
#include "PicturePlan.h"
#include "PictureFormat.h"
#include "PixelPacking.h"
#include "PreviewContent.h"
#include "support/BmpBuilder.h"
#include "support/ExifBuilder.h"
#include "support/HostileFiles.h"
#include "support/PngBuilder.h"

#include <gtest/gtest.h>

#include <random>

using namespace bmp2cdata;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every pixel opaque, from a picture's RGB bytes.
Bytes Opaque(const Bytes& rgb)
{
    Bytes rgba;
    for (std::size_t at = 0; at < rgb.size(); at += 3)
        rgba.insert(rgba.end(), {rgb[at], rgb[at + 1], rgb[at + 2], 0xFF});
    return rgba;
}

// A picture of width x height whose pixel at (column, row) is colour(column, row).
Picture PictureOf(std::uint32_t width, std::uint32_t height, const std::function<Rgb(std::uint32_t, std::uint32_t)>& colour)
{
    Picture picture{width, height, {}};
    for (std::uint32_t row = 0; row < height; ++row)
        for (std::uint32_t column = 0; column < width; ++column) {
            const Rgb pixel = colour(column, row);
            picture.rgb.insert(picture.rgb.end(), {pixel.red, pixel.green, pixel.blue});
        }
    return picture;
}

TEST(PictureFormat, TellsPngAndJpegByTheirFirstBytesAndEverythingElseIsABmp)
{
    const struct {
        Bytes start;
        PictureFormat format;
    } cases[] = {
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0}, PictureFormat::Png},
        {{0xFF, 0xD8, 0xFF, 0xE0}, PictureFormat::Jpeg},
        {{'B', 'M', 0, 0}, PictureFormat::Bmp},
        {{'G', 'I', 'F', '8', '9', 'a'}, PictureFormat::Bmp},
        {{0x89, 'P', 'N', 'G'}, PictureFormat::Bmp},
        {{0xFF, 0xD8}, PictureFormat::Bmp},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SniffPictureFormat(c.start), c.format) << c.start.size() << " bytes";
}

TEST(PictureFormat, NamesPicturesOfFormatsThatAreNotReadByTheirSignatures)
{
    const auto bytes = [](std::string_view text) { return Bytes(text.begin(), text.end()); };
    using namespace std::string_view_literals;
    const struct {
        Bytes start;
        const char* kind;  // nothing: judged as a BMP, PNG or JPEG file
    } cases[] = {
        {bytes("GIF89a\x10\0"sv), "a GIF"},
        {bytes("RIFF\x24\0\0\0WEBPVP8 "sv), "a WebP"},
        {bytes("RIFF\x24\0\0\0WAVEfmt "sv), nullptr},
        {bytes("MM\0*\0\0\0\x08"sv), "a TIFF"},
        {bytes("II*\0\x08\0\0\0"sv), "a TIFF"},
        {bytes("\0\0\0\x18" "ftypheic"sv), "a HEIC"},
        {bytes("\0\0\0\x1c" "ftypavif"sv), "an AVIF"},
        {bytes("\0\0\1\0\1\0\x10\x10"sv), "an ICO"},
        {bytes("BM"), nullptr},
        {bytes("GIF8"), nullptr},
        {bytes("plain text"), nullptr},
        {{}, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> complaint = UnreadFormatComplaint(c.start);
        if (c.kind == nullptr)
            EXPECT_EQ(complaint, std::nullopt) << c.start.size() << " bytes";
        else
            EXPECT_EQ(complaint, "This file is " + std::string(c.kind) + " picture; BMP, PNG and JPEG are read");
    }
}

TEST(PictureFormat, ReadsThePngSizeFromItsHeaderChunk)
{
    const Bytes png = BuildPng({.width = 300, .height = 7});
    EXPECT_EQ(DeclaredSize(PictureFormat::Png, png), (PictureSize{300, 7}));
    EXPECT_EQ(DeclaredSize(PictureFormat::Png, std::span(png).first(23)), std::nullopt);
}

TEST(PictureFormat, FindsTheJpegFrameHeaderPastOtherSegmentsAsADecoderDoes)
{
    // SOI, an APP0 segment, a Huffman table segment (whose marker lies among
    // the frame headers'), fill bytes, a stray byte, then a progressive
    // frame header of 640 x 480 (height first).
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4,    'J',  'F',  0xFF, 0xC4, 0, 4,    0,    0,
                        0xFF, 0xFF, 0x00, 0xFF, 0xC2, 0, 11, 8, 0x01, 0xE0, 0x02, 0x80, 3};
    EXPECT_EQ(DeclaredSize(PictureFormat::Jpeg, jpeg), (PictureSize{640, 480}));
    EXPECT_EQ(DeclaredSize(PictureFormat::Jpeg, std::span(jpeg).first(24)), std::nullopt);
    // Scan data before any frame header: there is no size to find.
    const Bytes scanFirst = {0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0xFF, 0xC0, 0, 11, 8, 0, 1, 0, 1, 3};
    EXPECT_EQ(DeclaredSize(PictureFormat::Jpeg, scanFirst), std::nullopt);
}

TEST(PictureFormat, LimitsReadingTo16Megapixels)
{
    EXPECT_EQ(CheckPictureSize({4096, 4096}), std::nullopt);
    EXPECT_EQ(CheckPictureSize({4097, 4096}),
              "This picture is too large. It has 4097 x 4096 pixels; at most 16777216 (16 megapixels) are read");
}

TEST(PictureFormat, HidesEveryExifBlockAndColourProfileOfAJpegAndNothingElse)
{
    // Segments of a JPEG head as (marker, contents); the scan's bytes
    // follow the start of scan and are never segments.
    const struct {
        std::uint8_t marker;
        std::string contents;
        bool hidden;
    } segments[] = {
        {0xE1, std::string("Exif\0\0MM", 8), true},
        {0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29), false},
        {0xE2, std::string("Exif\0\0", 6), false},
        {0xE2, std::string("ICC_PROFILE\0\1\1", 14), true},
        {0xE1, std::string("ICC_PROFILE\0\1\1", 14), false},
        {0xE1, std::string("Exif\0\1", 6), false},
        {0xE1, std::string("Exif\0\0II", 8), true},
        {0xDA, std::string("\3\1\0\2\x11\3\x11\0\x3F\0", 10), false},
    };
    Bytes jpeg = {0xFF, 0xD8};
    std::vector<std::size_t> names;
    for (const auto& segment : segments) {
        jpeg.insert(jpeg.end(), {0xFF, segment.marker, 0, std::uint8_t(segment.contents.size() + 2)});
        if (segment.hidden)
            names.push_back(jpeg.size());
        jpeg.insert(jpeg.end(), segment.contents.begin(), segment.contents.end());
    }
    const std::string inScan("\xFF\xE1\0\x08" "Exif\0\0", 10);
    jpeg.insert(jpeg.end(), inScan.begin(), inScan.end());
    Bytes expected = jpeg;
    for (const std::size_t at : names)
        expected[at] = 'X';
    HideExifOrientationAndProfile(PictureFormat::Jpeg, jpeg);
    EXPECT_EQ(jpeg, expected);
}

TEST(PictureFormat, HidesAPngsExifChunkByRemovingItWhole)
{
    Bytes png = WithExifChunk(BuildPng({}), BuildExif({}), true);
    HideExifOrientationAndProfile(PictureFormat::Png, png);
    EXPECT_EQ(png, BuildPng({}));
}

TEST(PictureFormat, ReadsAFitBoxAsWidthByHeightOfSidesUpTo4096)
{
    using Problem = FitBox::Problem;
    const struct {
        const char* text;
        std::optional<PictureSize> size;
        Problem problem;
    } cases[] = {
        {"160x128", PictureSize{160, 128}, Problem::None},  {"160X128", PictureSize{160, 128}, Problem::None},
        {"1x1", PictureSize{1, 1}, Problem::None},          {"4096x4096", PictureSize{4096, 4096}, Problem::None},
        {"4097x1", std::nullopt, Problem::SideTooLong},     {"1x4097", std::nullopt, Problem::SideTooLong},
        {"99999999999999999999x1", std::nullopt, Problem::SideTooLong},
        {"0x5", std::nullopt, Problem::NotASize},           {"5x0", std::nullopt, Problem::NotASize},
        {"160", std::nullopt, Problem::NotASize},           {"160x", std::nullopt, Problem::NotASize},
        {"x128", std::nullopt, Problem::NotASize},          {"160x128x2", std::nullopt, Problem::NotASize},
        {"160*128", std::nullopt, Problem::NotASize},       {"-1x5", std::nullopt, Problem::NotASize},
        {" 160x128", std::nullopt, Problem::NotASize},      {"160x128 ", std::nullopt, Problem::NotASize},
        {"", std::nullopt, Problem::NotASize},
    };
    for (const auto& c : cases) {
        const FitBox box = ParseFitBox(c.text);
        EXPECT_EQ(box.size, c.size) << c.text;
        EXPECT_EQ(box.problem, c.problem) << c.text;
    }
}

// A PNG of one grey 8-bit or 16-bit row or an interlaced one, whose image
// data is idat bytes: what they inflate to is not looked at.
Bytes GreyPngOfData(std::uint32_t width, std::uint8_t depth, bool interlaced, std::vector<std::uint32_t> idat)
{
    Bytes png = BuildPng({.width = width, .colourType = kPngGrey, .bitDepth = depth, .interlaced = interlaced});
    png.resize(33);
    for (const std::uint32_t length : idat)
        PutChunk(png, "IDAT", Bytes(length, 0x55));
    PutChunk(png, "IEND", {});
    return png;
}

TEST(PictureFormat, PngChunksMustLieWithinTheFile)
{
    for (const bool interlaced : {false, true}) {
        Bytes png = BuildPng({.width = 9, .height = 9, .interlaced = interlaced});
        EXPECT_TRUE(PngChunksAreSound(png));
        // Whatever follows the closing chunk is not read.
        png.insert(png.end(), {0, 0, 0, 99, 'z'});
        EXPECT_TRUE(PngChunksAreSound(png));
    }
    Bytes claiming = BuildPng({.width = 9, .height = 9});
    const Bytes end(claiming.end() - 12, claiming.end());
    claiming.resize(claiming.size() - 12);
    PutChunk(claiming, "tEXt", Bytes(30, 'x'));
    claiming[claiming.size() - 42 + 3] = 31;  // a byte more than it holds
    claiming.insert(claiming.end(), end.begin(), end.end());
    EXPECT_FALSE(PngChunksAreSound(claiming));
    EXPECT_FALSE(PngChunksAreSound(PngClaimingAHugeChunk("tEXt")));
    const Bytes whole = BuildPng({.width = 9, .height = 9});
    EXPECT_FALSE(PngChunksAreSound(std::span(whole).first(whole.size() - 5)));
}

TEST(PictureFormat, PngImageDataMustHoldItsPixelsAtDeflatesBestRatio)
{
    // A byte inflates to at most 1032; each row, and each row of each
    // interlacing pass, starts with a filter byte.
    const struct {
        std::uint32_t width;
        std::uint8_t depth;
        bool interlaced;
        std::vector<std::uint32_t> idat;
        bool sound;
    } cases[] = {
        {1031, 8, false, {1}, true},  {1032, 8, false, {1}, false}, {1029, 8, true, {1}, false},
        {515, 16, false, {1}, true},  {516, 16, false, {1}, false}, {2063, 8, false, {1, 1}, true},
        {2064, 8, false, {1, 1}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PngChunksAreSound(GreyPngOfData(c.width, c.depth, c.interlaced, c.idat)), c.sound)
            << c.width << " pixels of " << int(c.depth) << " bits" << (c.interlaced ? ", interlaced" : "");
    EXPECT_FALSE(PngChunksAreSound(PngDeclaringAnInterlacedGiant()));
}

// Hands rgba, the whole picture's rows, to builder pass by pass as an
// interlaced PNG file holds them.
template <typename Sample>
void AddInPasses(PictureBuilder& builder, PictureSize size, const std::vector<Sample>& rgba)
{
    for (int pass = 0; pass < kInterlacePassCount; ++pass) {
        const InterlacePass& geometry = kInterlacePasses[pass];
        const PictureSize passSize = InterlacePassSize(size, pass);
        for (std::uint32_t passRow = 0; passRow < passSize.height && passSize.width > 0; ++passRow) {
            std::vector<Sample> row;
            for (std::uint32_t column = 0; column < passSize.width; ++column) {
                const std::size_t at = (std::size_t{geometry.row + passRow * geometry.rowStep} * size.width +
                                        geometry.column + column * geometry.columnStep) * 4;
                row.insert(row.end(), rgba.begin() + std::ptrdiff_t(at), rgba.begin() + std::ptrdiff_t(at + 4));
            }
            builder.AddPassRow(pass, std::span<const Sample>(row));
        }
    }
}

template <typename Sample>
void ExpectPassesGiveTheWholeRowsPicture(PictureSize size, std::optional<PictureSize> fit, std::mt19937& random)
{
    std::vector<Sample> rgba(size.Area() * 4);
    for (Sample& sample : rgba)
        sample = Sample(random());
    PictureBuilder whole(size, fit, {0x20, 0x40, 0xFF});
    for (std::size_t row = 0; row < size.height; ++row)
        whole.AddRow(std::span<const Sample>(rgba).subspan(row * size.width * 4, size.width * 4));
    PictureBuilder passes(size, fit, {0x20, 0x40, 0xFF});
    AddInPasses(passes, size, rgba);
    ASSERT_TRUE(passes.Complete());
    EXPECT_EQ(passes.Finish().rgb, whole.Finish().rgb);
}

TEST(Picture, PassesOfAnInterlacedFileGiveThePictureOfItsWholeRows)
{
    std::mt19937 random(7);
    // Sizes with empty passes, and passes cut short at the edges.
    for (const PictureSize size : {PictureSize{1, 1}, PictureSize{3, 2}, PictureSize{9, 10}, PictureSize{17, 13}})
        for (const std::optional<PictureSize> fit : {std::optional<PictureSize>{}, std::optional{PictureSize{4, 3}}}) {
            SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height << (fit ? ", fitted" : ""));
            ExpectPassesGiveTheWholeRowsPicture<std::uint8_t>(size, fit, random);
            ExpectPassesGiveTheWholeRowsPicture<std::uint16_t>(size, fit, random);
        }
}

TEST(Picture, BuilderIsIncompleteWithoutEveryPassRowInOrder)
{
    const Bytes rgba(9 * 9 * 4, 0x80);
    PictureBuilder skipped({9, 9}, PictureSize{2, 2}, {});
    skipped.AddPassRow(1, Bytes(4));
    EXPECT_FALSE(skipped.Complete());
    PictureBuilder tooWide({9, 9}, std::nullopt, {});
    tooWide.AddPassRow(0, Bytes(3 * 4));
    EXPECT_FALSE(tooWide.Complete());
    PictureBuilder mixed({9, 9}, std::nullopt, {});
    mixed.AddRow(Bytes(9 * 4));
    AddInPasses(mixed, {9, 9}, rgba);
    EXPECT_FALSE(mixed.Complete());
    PictureBuilder whole({9, 9}, std::nullopt, {});
    AddInPasses(whole, {9, 9}, rgba);
    EXPECT_TRUE(whole.Complete());
    whole.AddPassRow(6, Bytes(9 * 4));
    EXPECT_FALSE(whole.Complete());
}

TEST(Picture, LaysTransparentPixelsOverTheBackground)
{
    const RgbColour background{0x20, 0x40, 0xFF};
    // Opaque, clear, and half transparent in 8 and in 16 bits.
    const Bytes narrow = {10, 20, 30, 0xFF, 10, 20, 30, 0, 0xFF, 0x80, 0x00, 0x80};
    PictureBuilder builder({3, 1}, std::nullopt, background);
    builder.AddRow(narrow);
    EXPECT_EQ(builder.Finish().rgb, (Bytes{10, 20, 30, 0x20, 0x40, 0xFF, 0x90, 0x60, 0x7F}));
    const std::vector<std::uint16_t> wide = {0xFFFF, 0x8080, 0x0000, 0x8000, 0x1234, 0x1234, 0x1234, 0xFFFF};
    PictureBuilder wideBuilder({2, 1}, std::nullopt, background);
    wideBuilder.AddRow(wide);
    EXPECT_EQ(wideBuilder.Finish().rgb, (Bytes{0x90, 0x60, 0x7F, 0x12, 0x12, 0x12}));
}

TEST(Picture, BuilderIsIncompleteWithoutEveryRowOfItsWidth)
{
    PictureBuilder shortRow({2, 2}, std::nullopt, {});
    shortRow.AddRow(Bytes(4));
    shortRow.AddRow(Bytes(8));
    EXPECT_FALSE(shortRow.Complete());
    PictureBuilder missingRow({2, 2}, PictureSize{1, 1}, {});
    missingRow.AddRow(Bytes(8));
    EXPECT_FALSE(missingRow.Complete());
    missingRow.AddRow(Bytes(8));
    EXPECT_TRUE(missingRow.Complete());
}

TEST(Picture, TurnsABmpTheRightWayUp)
{
    // The file's first row is the bottom one, each pixel blue, green, red.
    const Bytes file = BuildBmp({.width = 2, .height = 2, .colour = [](int column, int row) {
        return Rgb{std::uint8_t(column), std::uint8_t(row), 9};
    }});
    EXPECT_EQ(PictureFromBmp(DecodeBmp(file).image).rgb, (Bytes{0, 1, 9, 1, 1, 9, 0, 0, 9, 1, 0, 9}));
}

TEST(Picture, FitsInsideTheBoxKeepingTheAspectRatio)
{
    const struct {
        PictureSize size, box, fitted;
    } cases[] = {
        {{1024, 768}, {276, 276}, {276, 207}}, {{300, 100}, {160, 128}, {160, 53}}, {{100, 300}, {160, 128}, {43, 128}},
        {{1000, 1}, {10, 10}, {10, 1}},        {{276, 276}, {276, 276}, {276, 276}}, {{100, 50}, {200, 200}, {100, 50}},
        {{0, 500}, {10, 10}, {0, 500}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FittedSize(c.size, c.box), c.fitted) << c.size.width << "x" << c.size.height;
}

// Area averaging the slow, obvious way: every old pixel split into
// newWidth x newHeight equal parts, every new pixel the mean of the
// width x height parts it holds, rounded half up.
Bytes SupersampledFit(const Bytes& rgb, std::uint32_t width, std::uint32_t height, PictureSize fitted)
{
    Bytes out;
    for (std::uint32_t row = 0; row < fitted.height; ++row)
        for (std::uint32_t column = 0; column < fitted.width; ++column)
            for (std::uint32_t channel = 0; channel < 3; ++channel) {
                std::uint64_t sum = 0;
                for (std::uint32_t y = row * height; y < (row + 1) * height; ++y)
                    for (std::uint32_t x = column * width; x < (column + 1) * width; ++x)
                        sum += rgb[((y / fitted.height) * width + x / fitted.width) * 3 + channel];
                out.push_back(std::uint8_t((2 * sum + width * height) / (2 * width * height)));
            }
    return out;
}

TEST(Picture, FitAveragesTheAreaEachNewPixelCovers)
{
    std::mt19937 random(14);
    // An odd whole factor, odd fractions, one row, one column, and more
    // rows inside a new one than 16-bit sums hold.
    const struct {
        PictureSize size, box;
    } cases[] = {{{15, 9}, {5, 5}}, {{7, 5}, {3, 3}},   {{100, 75}, {27, 27}},
                 {{10, 1}, {4, 4}}, {{1, 10}, {4, 4}}, {{3, 1000}, {2, 2}}};
    for (const auto& c : cases) {
        Bytes rgb(c.size.Area() * 3);
        for (std::uint8_t& value : rgb)
            value = std::uint8_t(random());
        PictureBuilder builder(c.size, c.box, {});
        const Bytes rgba = Opaque(rgb);
        for (std::size_t row = 0; row < c.size.height; ++row)
            builder.AddRow(std::span(rgba).subspan(row * c.size.width * 4, c.size.width * 4));
        const Picture fitted = builder.Finish();
        const PictureSize expected = FittedSize(c.size, c.box);
        ASSERT_EQ((PictureSize{fitted.width, fitted.height}), expected);
        EXPECT_EQ(fitted.rgb, SupersampledFit(rgb, c.size.width, c.size.height, expected))
            << c.size.width << "x" << c.size.height;
    }
}

// The mean the LCD shows of one channel (0 red, 1 green, 2 blue) over
// columns first..end of every row.
double ShownMean(const std::vector<std::uint32_t>& shown, std::uint32_t width, int channel, std::uint32_t first,
                 std::uint32_t end)
{
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t at = 0; at < shown.size(); ++at)
        if (at % width >= first && at % width < end) {
            sum += (shown[at] >> (16 - 8 * channel)) & 0xFF;
            ++count;
        }
    return sum / double(count);
}

constexpr Dither kDithers[] = {Dither::FloydSteinberg, Dither::Ordered};

TEST(Dither, KeepsTheMeanOfAFlatGreyWithinOneStep)
{
    for (const Dither dither : kDithers)
    for (const bool rgb332 : {false, true})
        for (const int value : {1, 37, 100, 128, 203, 254}) {
            const auto grey = std::uint8_t(value);
            const Picture flat = PictureOf(64, 64, [grey](std::uint32_t, std::uint32_t) { return Rgb{grey, grey, grey}; });
            const std::vector<std::uint32_t> shown = DisplayedPicture(flat, rgb332, dither);
            for (int channel = 0; channel < 3; ++channel)
                EXPECT_NEAR(ShownMean(shown, 64, channel, 0, 64), grey, 1.0)
                    << "grey " << int(grey) << (rgb332 ? " RGB332" : " RGB565") << " channel " << channel
                    << " dither " << int(dither);
        }
}

TEST(Dither, FollowsAGradientWithoutBands)
{
    // Across 256 columns RGB332's blue has only four levels: plainly packed
    // it falls into bands 64 columns wide; dithered, every stretch of 16
    // columns must show close to its own mean.
    const Picture gradient = PictureOf(256, 32, [](std::uint32_t column, std::uint32_t) {
        const auto value = std::uint8_t(column);
        return Rgb{value, value, value};
    });
    const std::vector<std::uint32_t> plain = DisplayedPicture(gradient, true, Dither::None);
    double worstPlain = 0;
    for (std::uint32_t first = 0; first < 256; first += 16) {
        const double wanted = first + 7.5;
        for (const Dither dither : kDithers) {
            const std::vector<std::uint32_t> dithered = DisplayedPicture(gradient, true, dither);
            for (int channel = 0; channel < 3; ++channel)
                EXPECT_NEAR(ShownMean(dithered, 256, channel, first, first + 16), wanted, 4.0)
                    << "from column " << first << " dither " << int(dither);
        }
        worstPlain = std::max(worstPlain, std::abs(ShownMean(plain, 256, 2, first, first + 16) - wanted));
    }
    EXPECT_GT(worstPlain, 30.0);  // the bands the test must tell from a gradient
}

TEST(Dither, LeavesColoursTheLcdShowsExactlyAsPlainPackingDoes)
{
    // White, black, a pure red, and levels both layouts show exactly.
    const Rgb colours[] = {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}, {0x24, 0x49, 0x55}, {0x84, 0x82, 0x84}};
    for (const Dither dither : kDithers)
    for (const bool rgb332 : {false, true}) {
        const Picture picture = PictureOf(5, 4, [&](std::uint32_t column, std::uint32_t) { return colours[column]; });
        std::vector<std::uint16_t> plain(20), dithered(20);
        PackPicture(picture, rgb332, Dither::None, plain);
        PackPicture(picture, rgb332, dither, dithered);
        for (std::size_t slot = 0; slot < plain.size(); ++slot) {
            const std::uint32_t colour = DisplayedColour(plain[slot], rgb332);
            const Rgb wanted = colours[4 - slot % 5];
            if (colour == std::uint32_t(wanted.red << 16 | wanted.green << 8 | wanted.blue)) {
                EXPECT_EQ(dithered[slot], plain[slot]) << "slot " << slot << (rgb332 ? " RGB332" : " RGB565");
            }
        }
    }
}

Picture Random(std::uint32_t width, std::uint32_t height, std::mt19937& random)
{
    Picture picture{width, height, Bytes(std::size_t{width} * height * 3)};
    for (std::uint8_t& value : picture.rgb)
        value = std::uint8_t(random());
    return picture;
}

Rgb At(const Picture& picture, std::uint32_t column, std::uint32_t row)
{
    const std::uint8_t* pixel = &picture.rgb[(std::size_t{row} * picture.width + column) * 3];
    return {pixel[0], pixel[1], pixel[2]};
}

// EXIF's orientations as its standard words them: which side of the shown
// picture the stored first row and first column lie along.
Picture ExifReference(const Picture& stored, std::uint32_t value)
{
    enum Side { Top, Bottom, Left, Right };
    constexpr std::pair<Side, Side> kSides[] = {{Top, Left},  {Top, Right},   {Bottom, Right}, {Bottom, Left},
                                                {Left, Top},  {Right, Top},   {Right, Bottom}, {Left, Bottom}};
    const auto [rowSide, columnSide] = kSides[value - 1];
    const std::uint32_t width = stored.width, height = stored.height;
    const bool across = rowSide == Left || rowSide == Right;
    Picture shown{across ? height : width, across ? width : height, Bytes(stored.rgb.size())};
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) {
            const std::uint32_t alongRow = (columnSide == Left || columnSide == Top) ? c : width - 1 - c;
            const std::uint32_t acrossRows = (rowSide == Top || rowSide == Left) ? r : height - 1 - r;
            const std::uint32_t x = across ? acrossRows : alongRow, y = across ? alongRow : acrossRows;
            std::copy_n(&stored.rgb[(std::size_t{r} * width + c) * 3], 3, &shown.rgb[(std::size_t{y} * shown.width + x) * 3]);
        }
    return shown;
}

// A quarter turn clockwise, then a mirror when asked, pixel by pixel.
Picture TurnReference(const Picture& picture, std::uint32_t quarterTurns, bool mirror)
{
    Picture turned = picture;
    for (std::uint32_t turn = 0; turn < quarterTurns; ++turn) {
        const Picture before = turned;
        turned = PictureOf(before.height, before.width,
                      [&](std::uint32_t x, std::uint32_t y) { return At(before, y, before.height - 1 - x); });
    }
    if (!mirror)
        return turned;
    return PictureOf(turned.width, turned.height, [&](std::uint32_t x, std::uint32_t y) { return At(turned, turned.width - 1 - x, y); });
}

TEST(Orientation, EveryExifValueThenEveryTurnAndMirrorShowsThePictureAsTheyAreDefined)
{
    std::mt19937 random(21);
    const Picture stored = Random(3, 2, random);
    for (std::uint32_t value = 1; value <= 8; ++value)
        for (std::uint32_t turns = 0; turns < 4; ++turns)
            for (const bool mirror : {false, true}) {
                const Orientation asked = Then(ClockwiseTurn(turns), mirror ? kMirror : Orientation{});
                const Picture shown = Oriented(stored, Then(ExifOrientation(value), asked));
                const Picture expected = TurnReference(ExifReference(stored, value), turns, mirror);
                EXPECT_EQ(shown.width, expected.width);
                EXPECT_EQ(shown.rgb, expected.rgb) << "EXIF " << value << ", " << turns << " turns, mirror " << mirror;
            }
}

TEST(Orientation, ReadsTheExifValueAndIgnoresABlockThatIsDamagedOrLies)
{
    const Bytes tiff = BuildExif({.value = 6, .bigEndian = false});
    Bytes badMagic = BuildExif({.value = 6});
    badMagic[3] = 43;
    const struct {
        Bytes tiff;
        std::uint32_t value;
    } cases[] = {
        {tiff, 6}, {BuildExif({.value = 8}), 8}, {BuildExif({.value = 9}), 1}, {BuildExif({.value = 6, .type = 4}), 1},
        {BuildExif({.value = 6, .count = 0}), 1}, {BuildExif({.value = 6, .tag = 0x100}), 1},
        {BuildExif({.value = 6, .bigEndian = false, .tag = 0x100, .entries = 0xFFFF}), 1},
        {Bytes(tiff.begin(), tiff.end() - 4), 1}, {badMagic, 1}, {{}, 1},
        {BuildExif({.value = 6, .bigEndian = false, .directory = 0xF0}), 1},  // far beyond the block
    };
    for (std::size_t at = 0; at < std::size(cases); ++at)
        EXPECT_EQ(ExifOrientationValue(cases[at].tiff), cases[at].value) << "case " << at;
}

TEST(Orientation, FindsTheExifBlockOfAJpegOrPngUnlessItRunsPastTheFile)
{
    const Bytes tiff = BuildExif({.value = 6});
    Bytes jpeg = WithExifBlock({0xFF, 0xD8}, tiff);
    EXPECT_TRUE(std::ranges::equal(ExifBlock(PictureFormat::Jpeg, jpeg), tiff));
    jpeg[5] += 1;
    EXPECT_TRUE(ExifBlock(PictureFormat::Jpeg, jpeg).empty());
    Bytes png = WithExifChunk(BuildPng({}), tiff, true);
    EXPECT_TRUE(std::ranges::equal(ExifBlock(PictureFormat::Png, png), tiff));
    png[png.size() - 12 - tiff.size() - 9] = 0x7F;  // the chunk's length, past the file
    EXPECT_TRUE(ExifBlock(PictureFormat::Png, png).empty());
}

// The picture as a BMP file holds it, its bottom row first.
Bytes BmpOf(const Picture& picture)
{
    return BuildBmp({.width = std::int32_t(picture.width), .height = std::int32_t(picture.height),
                     .colour = [&](int column, int row) {
                         return At(picture, std::uint32_t(column), picture.height - 1 - std::uint32_t(row));
                     }});
}

Picture Loaded(const Picture& picture, const PictureOptions& options)
{
    const Bytes bmp = BmpOf(picture);
    class NoDecoder : public PictureDecoder {
        bool Decode(PictureFormat, std::span<const std::uint8_t>, PictureSize, RgbaRows&) override { return false; }
    } decoder;
    const LoadedPicture loaded = LoadPictureBytes(bmp, std::int64_t(bmp.size()), decoder, options);
    EXPECT_TRUE(loaded.Converts()) << loaded.complaint;
    return loaded.picture;
}

Picture Cropped(const Picture& picture, std::uint32_t left, std::uint32_t top, PictureSize size)
{
    return PictureOf(size.width, size.height, [&](std::uint32_t x, std::uint32_t y) { return At(picture, left + x, top + y); });
}

TEST(Sizing, FillShrinksByAreaAveragingAndCutsTheMiddleExtraAtTheRightAndBottom)
{
    std::mt19937 random(3);
    // Covering 4 x 4 scales to 7 x 4 (or 4 x 7); columns (or rows) 1 to 4 are kept.
    for (const auto& [size, fitted, left, top] : {std::tuple{PictureSize{15, 9}, PictureSize{7, 4}, 1u, 0u},
                                                  std::tuple{PictureSize{9, 15}, PictureSize{4, 7}, 0u, 1u}}) {
        const Picture picture = Random(size.width, size.height, random);
        const Picture expected{fitted.width, fitted.height, SupersampledFit(picture.rgb, size.width, size.height, fitted)};
        EXPECT_EQ(Loaded(picture, {.box = PictureSize{4, 4}, .sizing = Sizing::Fill}).rgb,
                  Cropped(expected, left, top, {4, 4}).rgb);
    }
}

TEST(Sizing, FillEnlargesByTheOldPixelUnderEachNewPixelsCentre)
{
    std::mt19937 random(4);
    const Picture small = Random(3, 2, random);
    // Covering 7 x 5 scales to 8 x 5 (7.5 rounded up); column 0 to 6 are kept.
    const Picture expected = PictureOf(7, 5, [&](std::uint32_t x, std::uint32_t y) {
        return At(small, std::uint32_t((x + 0.5) * 3 / 8), std::uint32_t((y + 0.5) * 2 / 5));
    });
    EXPECT_EQ(Loaded(small, {.box = PictureSize{7, 5}, .sizing = Sizing::Fill}).rgb, expected.rgb);
}

TEST(Sizing, PadCentresTheFittedPictureWithTheOddPixelOfMarginAtTheRightAndBottom)
{
    std::mt19937 random(5);
    const Picture picture = Random(4, 2, random);
    const Rgb background{1, 2, 3};
    const Picture expected = PictureOf(7, 5, [&](std::uint32_t x, std::uint32_t y) {
        return x >= 1 && x < 5 && y >= 1 && y < 3 ? At(picture, x - 1, y - 1) : background;
    });
    EXPECT_EQ(Loaded(picture, {.box = PictureSize{7, 5}, .sizing = Sizing::Pad, .background = {1, 2, 3}}).rgb,
              expected.rgb);
}

TEST(Sizing, SizingATurnedPictureIsSizingThePictureTurnedFirst)
{
    std::mt19937 random(6);
    const Picture picture = Random(13, 8, random);
    // Shrinking, enlarging and both at once, each way up.
    const struct {
        Sizing sizing;
        PictureSize box;
    } cases[] = {{Sizing::Fit, {5, 5}}, {Sizing::Fill, {5, 3}}, {Sizing::Fill, {30, 11}}, {Sizing::Pad, {6, 9}}};
    for (const auto& c : cases)
        for (std::uint32_t turns = 0; turns < 4; ++turns)
            for (const bool mirror : {false, true}) {
                const PictureOptions sized{.box = c.box, .sizing = c.sizing};
                PictureOptions turned = sized;
                turned.quarterTurns = turns;
                turned.mirror = mirror;
                EXPECT_EQ(Loaded(picture, turned).rgb, Loaded(TurnReference(picture, turns, mirror), sized).rgb)
                    << int(c.sizing) << " " << c.box.width << "x" << c.box.height << ", " << turns << " turns";
            }
}

TEST(TestCard, HasAWhiteFrameEightBarsAboveAndAGreyRampBelow)
{
    // Inside the frame, 10 x 6: bars one pixel wide, the black one taking
    // the three left; three rows of bars, three of ramp.
    const Picture card = TestCard({12, 8});
    const Rgb white{255, 255, 255};
    const Rgb bars[] = {{255, 0, 0},     {0, 255, 0},   {0, 0, 255}, white,       {0, 255, 255},
                        {255, 0, 255},   {255, 255, 0}, {0, 0, 0},   {0, 0, 0},   {0, 0, 0}};
    const std::uint8_t ramp[] = {0, 28, 57, 85, 113, 142, 170, 198, 227, 255};
    const Picture expected = PictureOf(12, 8, [&](std::uint32_t x, std::uint32_t y) {
        if (x == 0 || x == 11 || y == 0 || y == 7)
            return white;
        return y <= 3 ? bars[x - 1] : Rgb{ramp[x - 1], ramp[x - 1], ramp[x - 1]};
    });
    EXPECT_EQ(card.rgb, expected.rgb);
}

TEST(TestCard, OnABgrPanelRedIsPackedInBluesBitsAndPreviewedAsRed)
{
    const PictureOptions bgr{.bgr = true};
    const LoadedPicture card = LoadTestCard({12, 8}, bgr);
    std::vector<std::uint16_t> slots(96);
    PackPicture(card.picture, false, Dither::None, slots);
    // The first bar's pixel at (1, 1): slot 12 + 10, each row right to left.
    EXPECT_EQ(slots[12 + 10], 0x001F);
    EXPECT_EQ(PreviewOfPicture(card.picture, false, bgr).pixels[12 + 1], 0xFF0000u);
}

TEST(Dither, OrderedDitheringOfOnePixelDependsOnThatPixelAlone)
{
    std::mt19937 random(8);
    Picture picture = Random(16, 16, random);
    std::vector<std::uint16_t> before(256), after(256);
    PackPicture(picture, false, Dither::Ordered, before);
    picture.rgb[(7 * 16 + 5) * 3] ^= 0x80;
    PackPicture(picture, false, Dither::Ordered, after);
    for (std::size_t slot = 0; slot < before.size(); ++slot)
        EXPECT_EQ(before[slot] != after[slot], slot == 7 * 16 + (15 - 5)) << "slot " << slot;
}

TEST(Split, BandsOfWholeRowsAsFewAndAsEqualAsTheLimitAllows)
{
    const struct {
        std::uint32_t width, height;
        std::vector<std::int32_t> rows;
    } cases[] = {
        {320, 240, {120, 120}}, {255, 257, {257}}, {65535, 2, {1, 1}}, {276, 276, {138, 138}},
        {1024, 768, {60, 59, 59, 59, 59, 59, 59, 59, 59, 59, 59, 59, 59}},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint16_t> values(std::size_t{c.width} * c.height);
        const std::vector<TableSource> tables = SplitIntoTables("pic", c.width, c.height, values.data());
        std::vector<std::int32_t> rows;
        for (const TableSource& table : tables)
            rows.push_back(table.height);
        EXPECT_EQ(rows, c.rows) << c.width << "x" << c.height;
        EXPECT_EQ(tables.back().values, &values[std::size_t{c.width} * (c.height - std::uint32_t(rows.back()))]);
    }
}

// The hexadecimal values of a run's data lines, in order.
std::vector<std::string> DataValues(const std::string& output)
{
    std::vector<std::string> values;
    for (std::size_t at = output.find('$'); at != std::string::npos; at = output.find('$', at + 1))
        values.push_back(output.substr(at, output.find_first_of(",\n", at) - at));
    return values;
}

TEST(Split, EachBandIsATableOfItsOwnAndTogetherTheyHoldThePicture)
{
    std::mt19937 random(9);
    const Picture picture = Random(300, 240, random);
    const PictureOptions split{.split = true};
    std::string output;
    BufferHost host(true, output);
    ConvertPicture(host, "pic", picture, split);
    EXPECT_EQ(output.size(), PictureOutputLength("pic", picture, split, true, 1));
    EXPECT_NE(output.find("' Image data in RGB332 format. Size = 36000 Bytes\n' Rows 0 to 119 of 240\n'\npic_1:-\n"
                          "    Cdata as Byte 160, 140, 43, 1, 119, 0,_"),
              std::string::npos);
    EXPECT_NE(output.find("' Rows 120 to 239 of 240\n'\npic_2:-\n    Cdata as Byte 160, 140, 43, 1, 119, 0,_"),
              std::string::npos);
    std::vector<std::uint16_t> slots(72000);
    PackPicture(picture, true, Dither::None, slots);
    std::vector<std::string> expected;
    for (const std::uint16_t value : slots) {
        char text[8];
        std::snprintf(text, sizeof text, "%02X", value);
        expected.push_back(std::string("$") + text);
    }
    EXPECT_EQ(DataValues(output), expected);
}

TEST(TableLimit, APictureOverOneTableIsRefusedWithTheWayToGetIt)
{
    const std::string split = ", more than the 65535 of one table: add --split to write 2 tables, or ";
    const struct {
        PictureSize output;
        PictureOptions options;
        std::optional<std::string> complaint;
    } cases[] = {
        {{320, 240}, {}, "320 x 240 is 76800 pixels" + split + "fit into 295x221"},
        {{320, 240}, {.box = PictureSize{320, 240}, .sizing = Sizing::Fill}, "320 x 240 is 76800 pixels" + split + "fill 295x221"},
        {{240, 320}, {.box = PictureSize{240, 320}, .sizing = Sizing::Pad}, "240 x 320 is 76800 pixels" + split + "pad to 221x295"},
        {{255, 257}, {}, std::nullopt},
        {{320, 240}, {.split = true}, std::nullopt},
        {{1024, 768}, {.split = true}, std::nullopt},
        {{1025, 768}, {.split = true}, "1025 x 768 is 787200 pixels, more than the 786432 that --split writes: fit into 1024x767"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OutputComplaint(c.output, c.options), c.complaint) << c.output.width << "x" << c.output.height;
    EXPECT_EQ(LoadTestCard({320, 240}, {}).complaint, "320 x 240 is 76800 pixels" + split + "use --test-card 295x221");
    EXPECT_EQ(AmountWarning(76176), "76176 pixels do not fit the table's 16-bit amount; BASIC may read it as 10640");
    EXPECT_EQ(AmountWarning(65535), std::nullopt);
}

}  // namespace
