// Pictures in the core's terms: what a file's first bytes say, alpha laid
// over the background, fitting by area averaging, and dithering.

#include "ConvertPicture.h"
#include "Picture.h"
#include "PicturePacking.h"
#include "PictureFormat.h"
#include "PixelPacking.h"
#include "support/BmpBuilder.h"
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

Picture Flat(std::uint32_t width, std::uint32_t height, const std::function<Rgb(std::uint32_t, std::uint32_t)>& colour)
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
    // SOI, an APP0 segment, fill bytes, a stray byte, then a progressive
    // frame header of 640 x 480 (height first).
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xFF, 0x00, 0xFF, 0xC2, 0, 11, 8, 0x01, 0xE0,
                        0x02, 0x80, 3};
    EXPECT_EQ(DeclaredSize(PictureFormat::Jpeg, jpeg), (PictureSize{640, 480}));
    EXPECT_EQ(DeclaredSize(PictureFormat::Jpeg, std::span(jpeg).first(18)), std::nullopt);
    // Scan data before any frame header: there is no size to find.
    const Bytes scanFirst = {0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0xFF, 0xC0, 0, 11, 8, 0, 1, 0, 1, 3};
    EXPECT_EQ(DeclaredSize(PictureFormat::Jpeg, scanFirst), std::nullopt);
}

TEST(PictureFormat, LimitsReadingTo16MegapixelsAndTheTableToItsBuffer)
{
    EXPECT_EQ(CheckPictureSize({4096, 4096}, true), std::nullopt);
    EXPECT_EQ(CheckPictureSize({4097, 4096}, true),
              "This picture is too large. It has 4097 x 4096 pixels; at most 16777216 (16 megapixels) are read");
    EXPECT_EQ(CheckPictureSize({276, 276}, false), std::nullopt);
    EXPECT_EQ(CheckPictureSize({277, 276}, false),
              "This picture is too large for a table. It has 277 x 276 pixels; a table holds at most 76242, so fit "
              "it to a smaller size");
}

TEST(PictureFormat, HidesEveryExifBlockOfAJpegAndNothingElse)
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
    HideExifOrientation(jpeg);
    EXPECT_EQ(jpeg, expected);
}

TEST(PictureFormat, ReadsAFitBoxAsWidthByHeightWithinATable)
{
    using Problem = FitBox::Problem;
    const struct {
        const char* text;
        std::optional<PictureSize> size;
        Problem problem;
    } cases[] = {
        {"160x128", PictureSize{160, 128}, Problem::None},  {"160X128", PictureSize{160, 128}, Problem::None},
        {"1x1", PictureSize{1, 1}, Problem::None},          {"276x276", PictureSize{276, 276}, Problem::None},
        {"76242x1", PictureSize{76242, 1}, Problem::None},  {"277x276", std::nullopt, Problem::LargerThanTable},
        {"76243x1", std::nullopt, Problem::LargerThanTable}, {"65536x65536", std::nullopt, Problem::LargerThanTable},
        {"0x5", std::nullopt, Problem::NotASize},           {"5x0", std::nullopt, Problem::NotASize},
        {"160", std::nullopt, Problem::NotASize},           {"160x", std::nullopt, Problem::NotASize},
        {"x128", std::nullopt, Problem::NotASize},          {"160x128x2", std::nullopt, Problem::NotASize},
        {"160*128", std::nullopt, Problem::NotASize},       {"-1x5", std::nullopt, Problem::NotASize},
        {" 160x128", std::nullopt, Problem::NotASize},      {"160x128 ", std::nullopt, Problem::NotASize},
        {"4294967296x1", std::nullopt, Problem::NotASize},  {"", std::nullopt, Problem::NotASize},
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
    // An odd whole factor, odd fractions, one row, one column.
    const struct {
        PictureSize size, box;
    } cases[] = {{{15, 9}, {5, 5}}, {{7, 5}, {3, 3}}, {{100, 75}, {27, 27}}, {{10, 1}, {4, 4}}, {{1, 10}, {4, 4}}};
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

TEST(Dither, KeepsTheMeanOfAFlatGreyWithinOneStep)
{
    for (const bool rgb332 : {false, true})
        for (const int value : {1, 37, 100, 128, 203, 254}) {
            const auto grey = std::uint8_t(value);
            const Picture flat = Flat(64, 64, [grey](std::uint32_t, std::uint32_t) { return Rgb{grey, grey, grey}; });
            const std::vector<std::uint32_t> shown = DisplayedPicture(flat, rgb332, true);
            for (int channel = 0; channel < 3; ++channel)
                EXPECT_NEAR(ShownMean(shown, 64, channel, 0, 64), grey, 1.0)
                    << "grey " << int(grey) << (rgb332 ? " RGB332" : " RGB565") << " channel " << channel;
        }
}

TEST(Dither, FollowsAGradientWithoutBands)
{
    // Across 256 columns RGB332's blue has only four levels: plainly packed
    // it falls into bands 64 columns wide; dithered, every stretch of 16
    // columns must show close to its own mean.
    const Picture gradient = Flat(256, 32, [](std::uint32_t column, std::uint32_t) {
        const auto value = std::uint8_t(column);
        return Rgb{value, value, value};
    });
    const std::vector<std::uint32_t> dithered = DisplayedPicture(gradient, true, true);
    const std::vector<std::uint32_t> plain = DisplayedPicture(gradient, true, false);
    double worstPlain = 0;
    for (std::uint32_t first = 0; first < 256; first += 16) {
        const double wanted = first + 7.5;
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(ShownMean(dithered, 256, channel, first, first + 16), wanted, 4.0) << "from column " << first;
        worstPlain = std::max(worstPlain, std::abs(ShownMean(plain, 256, 2, first, first + 16) - wanted));
    }
    EXPECT_GT(worstPlain, 30.0);  // the bands the test must tell from a gradient
}

TEST(Dither, LeavesColoursTheLcdShowsExactlyAsPlainPackingDoes)
{
    // White, black, a pure red, and levels both layouts show exactly.
    const Rgb colours[] = {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}, {0x24, 0x49, 0x55}, {0x84, 0x82, 0x84}};
    for (const bool rgb332 : {false, true}) {
        const Picture picture = Flat(5, 4, [&](std::uint32_t column, std::uint32_t) { return colours[column]; });
        std::vector<std::uint16_t> plain(20), dithered(20);
        PackPicture(picture, rgb332, false, plain);
        PackPicture(picture, rgb332, true, dithered);
        for (std::size_t slot = 0; slot < plain.size(); ++slot) {
            const std::uint32_t colour = DisplayedColour(plain[slot], rgb332);
            const Rgb wanted = colours[4 - slot % 5];
            if (colour == std::uint32_t(wanted.red << 16 | wanted.green << 8 | wanted.blue)) {
                EXPECT_EQ(dithered[slot], plain[slot]) << "slot " << slot << (rgb332 ? " RGB332" : " RGB565");
            }
        }
    }
}

}  // namespace
