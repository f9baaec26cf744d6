// The host without a screen that the command line and the page share: a
// buffer sized once for everything a run writes, and the clipboard's part of it.

#include "BufferHost.h"
#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

using namespace bmp2cdata;

namespace {

TEST(BufferHost, KnowsTheExactLengthOfARunBeforeItStarts)
{
    StopConversion = false;
    const std::string label = "Zürich.v2";
    for (const auto& [width, height] : {std::pair{0, 5}, {3, 0}, {1, 1}, {16, 1}, {17, 1}, {4, 5}, {276, 276}}) {
        const std::vector<std::uint8_t> file = BuildBmp({.width = width, .height = height});
        for (const bool rgb332 : {false, true}) {
            for (const std::string_view lineEnd : {"\n", "\r\n"}) {
                std::string output;
                BufferHost host(rgb332, output, lineEnd);
                ConvertBmpBytes(host, label, file, static_cast<std::int64_t>(file.size()));
                EXPECT_EQ(RunOutputLength(label, width, height, rgb332, lineEnd.size()), output.size())
                    << width << " x " << height << (rgb332 ? " bytes" : " words") << " " << lineEnd.size();
            }
        }
    }
}

TEST(BufferHost, ClipboardHoldsTheTableWithoutTheClosingLinesAndNothingAfterAComplaint)
{
    StopConversion = false;
    const std::vector<std::uint8_t> file = BuildBmp({.width = 2, .height = 1});
    std::string output;
    BufferHost host(false, output);
    ConvertBmpBytes(host, "two", file, static_cast<std::int64_t>(file.size()));
    ASSERT_TRUE(host.Clipboard());
    EXPECT_EQ(std::string(*host.Clipboard()) + "\n" + kClosingMessage + "\n", output);

    host.ClearOutput();
    const std::vector<std::uint8_t> refused = BuildBmp({.width = 2, .height = 1, .bitCount = 8});
    ConvertBmpBytes(host, "two", refused, static_cast<std::int64_t>(refused.size()));
    EXPECT_FALSE(host.Clipboard());
    EXPECT_EQ(kBitCountComplaint + "\n", output);
}

}  // namespace
