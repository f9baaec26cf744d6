// What the page's conversion decides before and after the browser decodes a
// picture; that the page shows it is proven in the browser (tests/web).

#include "Label.h"
#include "CdataTable.h"
#include "PageConversion.h"
#include "support/BmpBuilder.h"
#include "support/PngBuilder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace bmp2cdata;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPng = BuildPng({.width = 4, .height = 3});

// The browser's decode of a PNG or JPEG file as the page's worker hands it
// over: rows(firstRow, rowCount) gives those rows' samples, fewer when the
// browser cannot.
struct BrowserPicture {
    // False when the browser could not decode the file.
    bool decoded = false;
    PictureSize size;
    std::function<std::span<const std::uint8_t>(std::uint32_t firstRow, std::uint32_t rowCount)> rows;
};

// Converts the file as the page does: first alone, then, once it asks, with
// picture handed over a strip at a time, as the decoding asks for them.
PageConversion ConvertDecoded(const std::string& name, const Bytes& bytes, const PageOptions& options,
                              const BrowserPicture* picture)
{
    if (picture == nullptr)
        return ConvertForPage(name, bytes, std::int64_t(bytes.size()), options);
    PageDecoding decoding(name, bytes, std::int64_t(bytes.size()), options,
                          picture->decoded ? std::optional(picture->size) : std::nullopt);
    for (PageDecoding::Strip strip = decoding.NextStrip(); strip.rowCount > 0; strip = decoding.NextStrip())
        decoding.TakeStrip(picture->rows(strip.firstRow, strip.rowCount));
    return decoding.Finish();
}

PageConversion Convert(const Bytes& bytes, const BrowserPicture* picture, const std::string& name = "logo.png")
{
    return ConvertDecoded(name, bytes, {}, picture);
}

TEST(PageConversion, APictureIsDecodedByTheBrowserOnlyOnceItsChecksPassed)
{
    const PageConversion asking = Convert(kPng, nullptr);
    EXPECT_EQ(asking.decode, PictureFormat::Png);
    EXPECT_EQ(asking.bytesToDecode, kPng);
    EXPECT_EQ(asking.output, "");
    // A name that cannot label the table is refused before any decoding.
    const PageConversion badName = Convert(kPng, nullptr, "two\nlines.png");
    EXPECT_FALSE(badName.decode);
    EXPECT_EQ(badName.output, kSourceBreakingLabelComplaint + "\n");
}

// The browser's decode of rgba, handed over in strips as asked, one byte
// short when cutShort.
BrowserPicture Decoded(PictureSize size, const Bytes& rgba, bool cutShort = false)
{
    return {true, size, [&rgba, size, cutShort](std::uint32_t first, std::uint32_t count) {
                const std::span<const std::uint8_t> rows =
                    std::span(rgba).subspan(std::size_t{first} * size.width * 4, std::size_t{count} * size.width * 4);
                return cutShort ? rows.first(rows.size() - 1) : rows;
            }};
}

TEST(PageConversion, ABrowserDecodeOfAnotherSizeOrLengthIsRefusedAsUndecodable)
{
    const Bytes rgba(4 * 3 * 4, 0xFF);
    const BrowserPicture turned = Decoded({3, 4}, rgba);
    const BrowserPicture cutShort = Decoded({4, 3}, rgba, true);
    const BrowserPicture failed{};
    for (const BrowserPicture* picture : {&turned, &cutShort, &failed})
        EXPECT_EQ(Convert(kPng, picture).output, kPngComplaint + "\n");
    const BrowserPicture decoded = Decoded({4, 3}, rgba);
    const PageConversion converted = Convert(kPng, &decoded);
    EXPECT_TRUE(converted.tableLength);
    EXPECT_EQ(converted.preview.size, "4 \u00D7 3");
}

TEST(PageConversion, ALargePictureIsHandedOverInStripsThatCoverItOnce)
{
    const Bytes rgba(std::size_t{1000} * 600 * 4, 0x80);
    const BrowserPicture whole = Decoded({1000, 600}, rgba);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> asked;
    const BrowserPicture counted{true, {1000, 600}, [&](std::uint32_t first, std::uint32_t count) {
                                     asked.emplace_back(first, count);
                                     return whole.rows(first, count);
                                 }};
    const Bytes png = BuildPng({.width = 1000, .height = 600});
    PageOptions options;
    options.box = "100x60";
    const PageConversion converted = ConvertDecoded("wide.png", png, options, &counted);
    EXPECT_TRUE(converted.tableLength);
    ASSERT_GT(asked.size(), 1u);
    std::uint32_t next = 0;
    for (const auto& [first, count] : asked) {
        EXPECT_EQ(first, next);
        next += count;
    }
    EXPECT_EQ(next, 600u);
}

TEST(PageConversion, ADecodingWantsNoRowsOfWhatIsRefusedBeforeThem)
{
    const Bytes png = BuildPng({.width = 800, .height = 600});
    const PictureSize declared{800, 600};
    PageOptions badBox;
    badBox.box = "0x5";
    PageOptions badLabel;
    badLabel.label = "two\tparts";
    PageOptions tooLarge;
    tooLarge.box = "1024x1024";
    tooLarge.sizing = Sizing::Fill;
    const struct {
        PageOptions options;
        std::optional<PictureSize> decoded;
        std::string output;
    } cases[] = {
        {badBox, declared, *BoxComplaint("0x5") + "\n"},
        {badLabel, declared, *LabelComplaint("two\tparts") + "\n"},
        {tooLarge, declared,
         "1024 x 1024 is 1048576 pixels, more than the 786432 that the page writes in several tables: fill 886x886\n"},
        {{}, std::nullopt, kPngComplaint + "\n"},
        {{}, PictureSize{800, 599}, kPngComplaint + "\n"},
    };
    for (const auto& [options, decoded, output] : cases) {
        PageDecoding decoding("logo.png", png, std::int64_t(png.size()), options, decoded);
        EXPECT_EQ(decoding.NextStrip().rowCount, 0u) << output;
        EXPECT_EQ(decoding.Finish().output, output);
    }
}

TEST(PageConversion, TheLabelFieldLabelsTheTableAndRefusesWhatWouldBreakIt)
{
    const Bytes rgba(4 * 3 * 4, 0xFF);
    const BrowserPicture decoded = Decoded({4, 3}, rgba);
    PageOptions options;
    options.label = "splash";
    EXPECT_NE(ConvertDecoded("logo.png", kPng, options, &decoded).output.find("\nsplash:-\n"),
              std::string::npos);
    options.label = "two\tparts";
    const PageConversion refused = ConvertForPage("logo.png", kPng, std::int64_t(kPng.size()), options);
    EXPECT_EQ(refused.output, *LabelComplaint("two\tparts") + "\n");
    EXPECT_FALSE(refused.decode);
    EXPECT_EQ(LabelWarning("my photo"), "Warning: " + NotABasicNameWarning("my photo"));
    EXPECT_EQ(LabelWarning("photo_2"), std::nullopt);
}

TEST(PageConversion, OnlyATableOfA16BitPngCarriesTheNoteOnItsSamples)
{
    const Bytes rgba(4 * 3 * 4, 0x80);
    const BrowserPicture decoded = Decoded({4, 3}, rgba);
    const Bytes deep = BuildPng({.width = 4, .height = 3, .bitDepth = 16});
    EXPECT_NE(ConvertDecoded("deep.png", deep, {}, &decoded).note, "");
    EXPECT_EQ(Convert(kPng, &decoded).note, "");
}

TEST(PageConversion, OnlyWhatTakesThePictureRoadIsSplitAndABmpWithoutOptionsIsWarnedOf)
{
    const Bytes bmp = BuildBmp({.width = 276, .height = 276});
    const auto convert = [&bmp](bool bgr) {
        PageOptions options;
        options.bgr = bgr;
        return ConvertForPage("square.bmp", bmp, std::int64_t(bmp.size()), options);
    };
    const PageConversion plain = convert(false);
    EXPECT_EQ(plain.tables, 1u);
    EXPECT_EQ(plain.note, "Warning: " + *AmountWarning(276 * 276));
    const PageConversion split = convert(true);
    EXPECT_EQ(split.tables, 2u);
    EXPECT_EQ(split.note, "");
    EXPECT_EQ(split.preview.verdict,
              "Split into 2 tables of whole rows, 76176 RGB565 words in all: one table holds at most 65535");
}

TEST(PageConversion, APictureTooLargeEvenToSplitIsRefusedWithoutTheCommandLinesOption)
{
    PageOptions options;
    options.box = "1024x1024";
    EXPECT_EQ(TestCardForPage(options).output, "1024 x 1024 is 1048576 pixels, more than the 786432 that the page "
                                               "writes in several tables: fit into 886x886\n");
}

TEST(PageConversion, AJpegIsJudgedFromItsHeadEvenWhenItsSizeLiesBeyondMetadata)
{
    // Start of image, 200 bytes of metadata, then a 20000 x 20000 frame.
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0, 202};
    jpeg.resize(jpeg.size() + 200, 'm');
    jpeg.insert(jpeg.end(), {0xFF, 0xC0, 0, 11, 8, 0x4E, 0x20, 0x4E, 0x20, 3});
    const std::int64_t length = 5'000'000;
    EXPECT_EQ(PageBytesToRead({}, length, {}), 54);
    EXPECT_EQ(PageBytesToRead(std::span(jpeg).first(54), length, {}), kPictureHeadBytes);
    // Once the frame is read, nothing more is: the picture is refused.
    EXPECT_LE(PageBytesToRead(jpeg, length, {}), std::int64_t(jpeg.size()));
    EXPECT_EQ(ConvertForPage("big.jpg", jpeg, length, {}).output, TooManyPixelsComplaint({20000, 20000}) + "\n");
}

}  // namespace
