// The command-line host's buffer, sized once for everything a run writes.

#include "CdataTable.h"
#include "CommandLineHost.h"
#include "ConvertBmpFile.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineHost, KnowsTheExactLengthOfARunBeforeItStarts)
{
    StopConversion = false;
    const std::string label = "Zürich.v2";
    for (const auto& [width, height] : {std::pair{0, 5}, {3, 0}, {1, 1}, {16, 1}, {17, 1}, {4, 5}, {276, 276}}) {
        const std::vector<std::uint8_t> file = BuildBmp({.width = width, .height = height});
        for (const bool rgb332 : {false, true}) {
            std::string output;
            CommandLineHost host(rgb332, output);
            ConvertBmpBytes(host, label, file, static_cast<std::int64_t>(file.size()));
            EXPECT_EQ(RunOutputLength(label, width, height, rgb332, kLineEnd.size()), output.size())
                << width << " x " << height << (rgb332 ? " bytes" : " words");
        }
    }
}

}  // namespace
