// What the page's conversion decides before and after the browser decodes a
// picture; that the page shows it is proven in the browser (tests/web).

#include "Label.h"
#include "PageConversion.h"
#include "support/PngBuilder.h"

#include <gtest/gtest.h>

using namespace bmp2cdata;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPng = BuildPng({.width = 4, .height = 3});

PageConversion Convert(const Bytes& bytes, const BrowserPicture* picture, const std::string& name = "logo.png")
{
    return ConvertForPage(name, bytes, std::int64_t(bytes.size()), {}, picture);
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

TEST(PageConversion, ABrowserDecodeOfAnotherSizeOrLengthIsRefusedAsUndecodable)
{
    const Bytes rgba(4 * 3 * 4, 0xFF);
    const BrowserPicture turned{true, {3, 4}, rgba};
    const BrowserPicture cutShort{true, {4, 3}, std::span(rgba).first(rgba.size() - 1)};
    const BrowserPicture failed{};
    for (const BrowserPicture* picture : {&turned, &cutShort, &failed})
        EXPECT_EQ(Convert(kPng, picture).output, kPngComplaint + "\n");
    const BrowserPicture decoded{true, {4, 3}, rgba};
    const PageConversion converted = Convert(kPng, &decoded);
    EXPECT_TRUE(converted.tableLength);
    EXPECT_EQ(converted.preview.size, "4 \u00D7 3");
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
