// The preview every front end shows for a file: the picture as the LCD shows
// it, its size, and the converter's own verdict.

#include "BmpHeader.h"
#include "Label.h"
#include "PreviewContent.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace bmp2cdata;

namespace {

TEST(Preview, ShowsTheLcdsColoursWhereThePixelsLie)
{
    ScratchFolder folder;
    // Only the top-left pixel is coloured; the file stores it in its last row.
    const std::string image = folder.Write("corner.bmp", {.width = 2, .height = 2, .colour = [](int column, int row) {
        return column == 0 && row == 1 ? Rgb{13, 200, 77} : Rgb{255, 255, 255};
    }});
    // RGB565 keeps 5, 6 and 5 bits, RGB332 3, 3 and 2; both widen them back
    // by repeating the top bits, so white stays white.
    const PreviewContent words = PreviewOfFile(image, false);
    EXPECT_EQ(words.pixels, (std::vector<std::uint32_t>{0x08CB4A, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
    EXPECT_EQ(PreviewOfFile(image, true).pixels[0], 0x00DB55u);
}

TEST(Preview, GivesTheSizeOfEveryTwentyFourBitHeaderAndTheConvertersVerdict)
{
    ScratchFolder folder;
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        bool rgb332;
        std::string size, verdict;
    };
    const Case cases[] = {
        {"logo.bmp", BuildBmp({.width = 4, .height = 5}), false, "4 \u00D7 5", "Converts to a table of 20 RGB565 words"},
        {"dot.bmp", BuildBmp({.width = 1, .height = 1}), true, "1 \u00D7 1", "Converts to a table of 1 RGB332 byte"},
        {"gif.bmp", BuildBmp({.width = 3, .height = 3, .signature = 0x4947}), false, "3 \u00D7 3",
         "Converts to a table of 9 RGB565 words"},
        {"large.bmp", BuildBmp({.width = 320, .height = 240}), false, "320 \u00D7 240", kTooLargeComplaint},
        {"indexed.bmp", BuildBmp({.width = 4, .height = 4, .bitCount = 8}), false, "", kBitCountComplaint},
        {"broken.bmp", {'B', 'M', 0, 0}, false, "", kBitCountComplaint},
    };
    for (const Case& test : cases) {
        const PreviewContent content = PreviewOfFile(folder.WriteBytes(test.name, test.bytes), test.rgb332);
        EXPECT_EQ(content.size, test.size) << test.name;
        EXPECT_EQ(content.verdict, test.verdict) << test.name;
        EXPECT_EQ(content.pixels.empty(), !test.verdict.starts_with("Converts")) << test.name;
    }
}

TEST(Preview, ShowsNothingForAFolderOrANameBeingTypedButComplainsOfASpecialFile)
{
    ScratchFolder folder;
    for (const auto& nothing : {folder.Path(), folder.Path() / "being typed"})
        EXPECT_TRUE(PreviewOfFile(nothing.string(), false).verdict.empty());
#ifndef _WIN32
    const std::string fifo = (folder.Path() / "fifo.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Opening it for reading would wait for a writer for ever.
    EXPECT_EQ(PreviewOfFile(fifo, false).verdict, kNotFoundComplaint + fifo);
#endif
}

#ifndef _WIN32
TEST(Preview, SaysThatANameHoldingAControlCharacterCannotLabelTheTable)
{
    ScratchFolder folder;
    const PreviewContent content = PreviewOfFile(folder.Write("two\nlines.bmp", {}), false);
    EXPECT_EQ(content.verdict, kSourceBreakingLabelComplaint);
    EXPECT_TRUE(content.pixels.empty());
}
#endif

}  // namespace
