// A picture file from its bytes to its table: which files are judged before
// decoding, how a BMP is fitted, and that a picture's table is a BMP's.

#include "BmpHeader.h"
#include "ConvertBmpFile.h"
#include "ConvertPicture.h"
#include "ConverterHost.h"
#include "support/BmpBuilder.h"
#include "support/PngBuilder.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

using namespace bmp2cdata;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Hands over rows of one colour, as many as it is told, and counts its calls.
class FakeDecoder : public PictureDecoder {
public:
    bool Decode(PictureFormat, std::span<const std::uint8_t>, PictureSize declared, RgbaRows& rows) override
    {
        ++calls;
        const Bytes row(std::size_t{declared.width} * 4, 0xFF);
        for (std::uint32_t given = 0; given < declared.height - missingRows; ++given)
            rows.AddRow(row);
        return succeeds;
    }

    int calls = 0;
    bool succeeds = true;
    std::uint32_t missingRows = 0;
};

// A PNG file whose header declares width x height; its pixels are never
// reached.
Bytes PngDeclaring(std::uint32_t width, std::uint32_t height)
{
    Bytes png = BuildPng({});
    for (std::size_t at = 0; at < 4; ++at) {
        const std::size_t shift = 24 - 8 * at;
        png[16 + at] = std::uint8_t(width >> shift);
        png[20 + at] = std::uint8_t(height >> shift);
    }
    return png;
}

LoadedPicture Load(const Bytes& bytes, PictureDecoder& decoder, const PictureOptions& options = {})
{
    return LoadPictureBytes(bytes, std::int64_t(bytes.size()), decoder, options);
}

TEST(PictureLoad, RefusesAnOversizedPictureFromItsHeaderWithoutDecodingOrReadingOn)
{
    FakeDecoder decoder;
    const Bytes huge = PngDeclaring(20000, 20000);
    EXPECT_EQ(Load(huge, decoder, {.box = PictureSize{160, 128}}).complaint, TooManyPixelsComplaint({20000, 20000}));
    EXPECT_EQ(PictureBytesWanted(huge, 500'000'000, {.box = PictureSize{160, 128}}), 0);
    // Without a box to fit into, the table's own limit applies.
    EXPECT_EQ(Load(PngDeclaring(300, 300), decoder).complaint,
              "300 x 300 is 90000 pixels, more than the 65535 of one table: add --split to write 2 tables, or fit "
              "into 255x255");
    EXPECT_EQ(decoder.calls, 0);
    EXPECT_TRUE(Load(PngDeclaring(300, 300), decoder, {.box = PictureSize{160, 128}}).Converts());
    EXPECT_EQ(decoder.calls, 1);
}

TEST(PictureLoad, AFileTheDecoderCannotFinishIsRefused)
{
    FakeDecoder failing;
    failing.succeeds = false;
    EXPECT_EQ(Load(PngDeclaring(4, 4), failing).complaint, kPngComplaint);
    FakeDecoder cutShort;
    cutShort.missingRows = 1;
    const Bytes jpegStart = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 4, 0, 4, 3};
    EXPECT_EQ(Load(jpegStart, cutShort).complaint, kJpegComplaint);
    EXPECT_EQ(Load({0xFF, 0xD8, 0xFF, 0xD9}, cutShort).complaint, kJpegComplaint);
}

TEST(PictureLoad, ABmpTooLargeForTheTableIsFittedInsteadOfRefused)
{
    FakeDecoder decoder;
    // Three by three blocks of one colour each shrink to one pixel each.
    const Bytes large = BuildBmp({.width = 300, .height = 300, .colour = [](int column, int row) {
        return Rgb{std::uint8_t(column / 3), std::uint8_t(row / 3), 7};
    }});
    EXPECT_EQ(Load(large, decoder).complaint, kTooLargeComplaint);
    const LoadedPicture fitted = Load(large, decoder, {.box = PictureSize{100, 100}});
    ASSERT_TRUE(fitted.Converts()) << fitted.complaint;
    ASSERT_EQ(fitted.picture.rgb.size(), 100u * 100 * 3);
    // The top-left new pixel holds the file's last rows.
    EXPECT_EQ((Bytes(fitted.picture.rgb.begin(), fitted.picture.rgb.begin() + 6)), (Bytes{0, 99, 7, 1, 99, 7}));
    // Only what the pixels need is read.
    EXPECT_EQ(PictureBytesWanted(large, std::int64_t(large.size()) + 1000, {.box = PictureSize{100, 100}}),
              std::int64_t(large.size()));
}

TEST(PictureLoad, ABmpToBeFittedKeepsTheChecksOfEveryBmp)
{
    FakeDecoder decoder;
    const PictureOptions fit{.box = PictureSize{100, 100}};
    EXPECT_EQ(Load(BuildBmp({.bitCount = 8}), decoder, fit).complaint, kBitCountComplaint);
    EXPECT_EQ(Load(BuildBmp({.compression = 1}), decoder, fit).complaint, kCompressionComplaint);
    Bytes topDown = BuildBmp({.width = 2, .height = 2});
    PutLittleEndian(topDown, 22, std::uint32_t(-2), 4);
    EXPECT_EQ(Load(topDown, decoder, fit).complaint, kBottomUpComplaint);
    Bytes cut = BuildBmp({.width = 400, .height = 2});
    cut.resize(cut.size() - 1);
    EXPECT_EQ(Load(cut, decoder, fit).complaint, kIncompleteComplaint);
    // Neither a BMP nor a PNG nor a JPEG: judged as a BMP, as always.
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(Load(gif, decoder, fit).complaint, kBitCountComplaint);
    EXPECT_EQ(decoder.calls, 0);
}

TEST(PictureLoad, APicturesTableIsTheTableOfABmpOfTheSamePixels)
{
    const auto colour = [](int column, int row) {
        return Rgb{std::uint8_t(column * 50), std::uint8_t(row * 90), std::uint8_t(255 - column * row * 20)};
    };
    const Bytes bmp = BuildBmp({.width = 5, .height = 3, .colour = colour});
    const Picture picture = PictureFromBmp(DecodeBmp(bmp).image);
    for (const bool rgb332 : {false, true}) {
        StopConversion = false;
        RecordingHost fromBmp, fromPicture;
        fromBmp.rgb332 = fromPicture.rgb332 = rgb332;
        ConvertBmpBytes(fromBmp, "logo", bmp, std::int64_t(bmp.size()));
        ConvertPicture(fromPicture, "logo", picture, {});
        EXPECT_EQ(fromPicture.lines, fromBmp.lines);
        EXPECT_EQ(fromPicture.clipboard, fromBmp.clipboard);
    }
}

}  // namespace
