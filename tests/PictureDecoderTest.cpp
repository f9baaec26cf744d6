// The platform's decoders (libpng and libjpeg-turbo, or WIC under Wine) as
// the command line uses them: every kind of PNG gives exactly the samples
// written, and JPEG files of both kinds give their colours.

#include "ConvertPicture.h"
#include "Orientation.h"
#include "PlatformPictureDecoder.h"
#include "support/BmpBuilder.h"
#include "support/ExifBuilder.h"
#include "support/HostileFiles.h"
#include "support/PngBuilder.h"

#ifndef _WIN32
#include "support/JpegBuilder.h"
#endif

#include <gtest/gtest.h>

using namespace bmp2cdata;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr RgbColour kBackground{0x11, 0x22, 0x33};
constexpr std::uint32_t kWidth = 11;
constexpr std::uint32_t kHeight = 7;

LoadedPicture Decode(const Bytes& file, std::optional<PictureSize> fit = std::nullopt)
{
    return LoadPictureBytes(file, std::int64_t(file.size()), PlatformPictureDecoder(),
                            {.box = fit, .background = kBackground});
}

struct PngCase {
    PngColourType type;
    std::uint8_t depth;
    bool keyed;  // a tRNS chunk
};

std::uint16_t Sample(const PngCase& c, std::uint32_t column, std::uint32_t row, int channel)
{
    const std::uint32_t levels = c.type == kPngPalette ? std::min(1u << c.depth, 40u) : 1u << c.depth;
    return std::uint16_t((column * 7919 + row * 104729 + std::uint32_t(channel) * 31337) % levels);
}

std::uint8_t PaletteEntry(std::uint32_t index, int channel)
{
    return std::uint8_t(index * (37 + 54 * std::uint32_t(channel)) + 11);
}

// The colour a pixel must get: samples widened to 8 bits (palette entries
// and their alpha are 8 bits already) and laid over the background, in 16
// bits for 16-bit files.
Rgb Expected(const PngCase& c, std::uint32_t column, std::uint32_t row)
{
    const auto sample = [&](int channel) { return std::uint64_t(Sample(c, column, row, channel)); };
    const bool palette = c.type == kPngPalette;
    const std::uint64_t wide = c.depth == 16 ? 0xFFFF : 0xFF;
    const std::uint64_t top = palette ? 0xFF : (1u << c.depth) - 1;
    std::uint64_t colour[3], alpha = top;
    for (int channel = 0; channel < 3; ++channel)
        colour[channel] = palette ? PaletteEntry(std::uint32_t(sample(0)), channel)
                          : c.type == kPngRgb || c.type == kPngRgba ? sample(channel)
                                                                    : sample(0);
    if (c.type == kPngGreyAlpha || c.type == kPngRgba)
        alpha = sample(c.type == kPngRgba ? 3 : 1);
    if (c.keyed && palette)
        alpha = sample(0) % 3 == 0 ? 0 : sample(0) % 3 == 1 ? 0x80 : 0xFF;
    else if (c.keyed)
        alpha = sample(0) == Sample(c, 0, 0, 0) && sample(1) == Sample(c, 0, 0, 1) && sample(2) == Sample(c, 0, 0, 2)
                    ? 0
                    : top;
    const std::uint8_t back[3] = {kBackground.red, kBackground.green, kBackground.blue};
    std::uint8_t out[3];
    for (int channel = 0; channel < 3; ++channel) {
        const std::uint64_t value = colour[channel] * wide / top, opacity = alpha * wide / top;
        const std::uint64_t over =
            (2 * (value * opacity + back[channel] * (wide / 255) * (wide - opacity)) + wide) / (2 * wide);
        out[channel] = std::uint8_t((2 * over * 255 + wide) / (2 * wide));
    }
    return {out[0], out[1], out[2]};
}

Bytes PngOf(const PngCase& c, bool interlaced)
{
    PngLayout layout{.width = kWidth, .height = kHeight, .colourType = c.type, .bitDepth = c.depth,
                     .interlaced = interlaced, .sample = [&c](std::uint32_t column, std::uint32_t row, int channel) {
                         return Sample(c, column, row, channel);
                     }};
    if (c.type == kPngPalette)
        for (std::uint32_t index = 0; index < 40; ++index)
            for (int channel = 0; channel < 3; ++channel)
                layout.palette.push_back(PaletteEntry(index, channel));
    if (c.keyed && c.type == kPngPalette)
        for (std::uint32_t index = 0; index < 40; ++index)
            layout.transparency.push_back(index % 3 == 0 ? 0 : index % 3 == 1 ? 0x80 : 0xFF);
    else if (c.keyed)
        // The colour of the top-left pixel, two bytes a channel.
        for (int channel = 0; channel < (c.type == kPngGrey ? 1 : 3); ++channel)
            layout.transparency.insert(layout.transparency.end(),
                                       {std::uint8_t(Sample(c, 0, 0, channel) >> 8), std::uint8_t(Sample(c, 0, 0, channel))});
    return BuildPng(layout);
}

TEST(PictureDecoder, GivesEveryKindOfPngItsExactSamples)
{
    const PngCase cases[] = {
        {kPngGrey, 1, false},      {kPngGrey, 2, false},      {kPngGrey, 4, false},    {kPngGrey, 8, false},
        {kPngGrey, 16, false},     {kPngGrey, 8, true},       {kPngGrey, 16, true},    {kPngRgb, 8, false},
        {kPngRgb, 16, false},      {kPngRgb, 8, true},        {kPngRgb, 16, true},     {kPngPalette, 1, false},
        {kPngPalette, 2, false},   {kPngPalette, 4, false},   {kPngPalette, 8, false}, {kPngPalette, 8, true},
        {kPngGreyAlpha, 8, false}, {kPngGreyAlpha, 16, false}, {kPngRgba, 8, false},   {kPngRgba, 16, false},
    };
    for (const PngCase& c : cases)
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "colour type " << int(c.type) << ", " << int(c.depth) << " bits"
                                              << (c.keyed ? ", tRNS" : "") << (interlaced ? ", interlaced" : ""));
            const LoadedPicture loaded = Decode(PngOf(c, interlaced));
            ASSERT_TRUE(loaded.Converts()) << loaded.complaint;
            Bytes expected;
            for (std::uint32_t row = 0; row < kHeight; ++row)
                for (std::uint32_t column = 0; column < kWidth; ++column) {
                    const Rgb pixel = Expected(c, column, row);
                    expected.insert(expected.end(), {pixel.red, pixel.green, pixel.blue});
                }
            EXPECT_EQ(loaded.picture.rgb, expected);
        }
}

TEST(PictureDecoder, RefusesADamagedPng)
{
    Bytes png = PngOf({kPngRgb, 8, false}, false);
    png[png.size() - 20] ^= 0x40;  // inside the image data: its checksum no longer matches
    EXPECT_EQ(Decode(png).complaint, kPngComplaint);
    png.resize(png.size() / 2);
    EXPECT_EQ(Decode(png).complaint, kPngComplaint);
}

TEST(PictureDecoder, RefusesAPngWithAChunkPastItsEnd)
{
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT"})
        EXPECT_EQ(Decode(PngClaimingAHugeChunk(type)).complaint, kPngComplaint) << type;
    // After the image data too, where the rows need not be read on to.
    Bytes png = PngOf({kPngRgb, 8, false}, false);
    png.resize(png.size() - 12);
    PutChunk(png, "tEXt", Bytes(20, 'x'));
    png.resize(png.size() - 4);
    EXPECT_EQ(Decode(png).complaint, kPngComplaint);
}

TEST(PictureDecoder, RefusesAPngWhoseDataCannotHoldItsPixels)
{
    EXPECT_EQ(Decode(PngDeclaringAnInterlacedGiant(), PictureSize{160, 128}).complaint, kPngComplaint);
}

#ifndef _WIN32

TEST(PictureDecoder, RefusesAJpegOfMoreScansThanAnEncoderWrites)
{
    EXPECT_EQ(Decode(JpegOfManyScans(16, kManyScans)).complaint, kJpegComplaint);
    // libjpeg's own progression writes 10 scans; 200 more are still read.
    const LoadedPicture loaded = Decode(JpegOfManyScans(16, 200));
    ASSERT_TRUE(loaded.Converts()) << loaded.complaint;
    EXPECT_NEAR(loaded.picture.rgb[0], 90, 3);
    EXPECT_NEAR(loaded.picture.rgb[2], 200, 3);
}

TEST(PictureDecoder, RefusesADamagedJpegThatEndsAsAWholeOneDoes)
{
    EXPECT_EQ(Decode(JpegCutAndClosed()).complaint, kJpegComplaint);
    Bytes progressive = BuildJpeg(64, 64, [](int column, int) { return Rgb{std::uint8_t(column * 4), 9, 9}; }, true);
    progressive.resize(progressive.size() / 2);
    progressive.insert(progressive.end(), {0xFF, 0xD9});
    EXPECT_EQ(Decode(progressive).complaint, kJpegComplaint);
    // A marker where the data should go on.
    Bytes marked = BuildJpeg(64, 64, [](int column, int) { return Rgb{std::uint8_t(column * 4), 9, 9}; }, false);
    marked[marked.size() - 40] = 0xFF;
    marked[marked.size() - 39] = 0xD0;
    EXPECT_EQ(Decode(marked).complaint, kJpegComplaint);
}

TEST(PictureDecoder, RefusesAProgressiveJpegNeedingMoreMemoryThanARunHas)
{
    // Colour not subsampled: 6 bytes of coefficients a pixel, 96 MiB at 16
    // megapixels, against 48 MiB at 8.
    const auto flat = [](int, int) { return Rgb{40, 80, 120}; };
    EXPECT_EQ(Decode(BuildJpeg(4096, 4096, flat, true), PictureSize{16, 16}).complaint, kJpegComplaint);
    EXPECT_TRUE(Decode(BuildJpeg(4096, 2048, flat, true), PictureSize{16, 16}).Converts());
}

TEST(PictureDecoder, AcceptsAJpegWhoseOnlyWarningsAreAboutItsMetadata)
{
    const auto grey = [](int, int) { return Rgb{128, 128, 128}; };
    Bytes futureJfif = BuildJpeg(16, 16, grey, false);
    futureJfif[11] = 2;  // the JFIF major version
    // An Adobe block in place of the JFIF one, with a transform code that
    // does not exist: YCbCr is taken.
    Bytes adobe = BuildJpeg(16, 16, grey, false);
    const Bytes adobeBlock = {0xFF, 0xEE, 0, 14, 'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 7};
    adobe.erase(adobe.begin() + 2, adobe.begin() + 20);
    adobe.insert(adobe.begin() + 2, adobeBlock.begin(), adobeBlock.end());
    for (const Bytes& jpeg : {futureJfif, adobe}) {
        const LoadedPicture loaded = Decode(jpeg);
        ASSERT_TRUE(loaded.Converts()) << loaded.complaint;
        EXPECT_NEAR(loaded.picture.rgb[0], 128, 2);
    }
}

TEST(PictureDecoder, GivesACmykJpegItsColoursInvertedOnlyUnderAnAdobeBlock)
{
    // Adobe's programs store 255 less each ink; the standard stores the ink.
    const struct {
        bool adobe;
        Rgb colour;
    } cases[] = {{true, {100, 50, 25}}, {false, {27, 77, 102}}};
    for (const auto& c : cases) {
        const LoadedPicture loaded = Decode(BuildCmykJpeg(16, {200, 100, 50, 128}, c.adobe));
        ASSERT_TRUE(loaded.Converts()) << loaded.complaint;
        EXPECT_NEAR(loaded.picture.rgb[0], c.colour.red, 3) << c.adobe;
        EXPECT_NEAR(loaded.picture.rgb[1], c.colour.green, 3) << c.adobe;
        EXPECT_NEAR(loaded.picture.rgb[2], c.colour.blue, 3) << c.adobe;
    }
}

TEST(PictureDecoder, GivesBaselineAndProgressiveJpegsTheirColours)
{
    // Four flat quarters, each a whole 16 x 16 block, so that nothing blurs.
    const Rgb quarters[] = {{250, 20, 20}, {20, 200, 40}, {30, 60, 230}, {128, 128, 128}};
    const auto colour = [&](int column, int row) { return quarters[(column / 16) + 2 * (row / 16)]; };
    for (const bool progressive : {false, true}) {
        Bytes jpeg = BuildJpeg(32, 32, colour, progressive);
        const LoadedPicture loaded = Decode(jpeg);
        ASSERT_TRUE(loaded.Converts()) << loaded.complaint;
        for (std::size_t pixel = 0; pixel < 32 * 32; ++pixel) {
            const Rgb wanted = colour(int(pixel % 32), int(pixel / 32));
            const std::uint8_t* got = &loaded.picture.rgb[pixel * 3];
            EXPECT_NEAR(got[0], wanted.red, 3) << pixel;
            EXPECT_NEAR(got[1], wanted.green, 3) << pixel;
            EXPECT_NEAR(got[2], wanted.blue, 3) << pixel;
        }
        // Cut short, it would decode with grey where its end was.
        jpeg.resize(jpeg.size() * 2 / 3);
        EXPECT_EQ(Decode(jpeg).complaint, kJpegComplaint) << (progressive ? "progressive" : "baseline");
    }
}

#endif

TEST(PictureDecoder, TurnsAPngByItsExifChunkAndAJpegByItsExifBlock)
{
    const auto colour = [](std::uint32_t column, std::uint32_t row, int channel) {
        return std::uint16_t(channel == 0 ? column * 20 : channel == 1 ? row * 30 : 128);
    };
    const Bytes png = BuildPng({.width = kWidth, .height = kHeight, .sample = colour});
#ifndef _WIN32
    const Bytes jpeg = BuildJpeg(32, 16, [](int column, int row) { return Rgb{std::uint8_t(column * 8), std::uint8_t(row * 16), 50}; }, false);
#endif
    for (const std::uint16_t value : {std::uint16_t{3}, std::uint16_t{6}, std::uint16_t{7}, std::uint16_t{8}}) {
        const Bytes tiff = BuildExif({.value = value});
        std::vector<std::pair<Bytes, Bytes>> files = {{png, WithExifChunk(png, tiff)}};
#ifndef _WIN32
        files.emplace_back(jpeg, WithExifBlock(jpeg, tiff));
#endif
        for (const auto& [file, turned] : files) {
            const LoadedPicture stored = Decode(file), shown = Decode(turned);
            ASSERT_TRUE(shown.Converts()) << shown.complaint;
            EXPECT_EQ(shown.picture.rgb, Oriented(stored.picture, ExifOrientation(value)).rgb) << value;
        }
    }
}

}  // namespace
