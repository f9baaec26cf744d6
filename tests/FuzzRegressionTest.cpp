// Replays every input the fuzzer ever found troublesome, and checks the
// output's shape as the fuzzer does.

#include "ConvertBmpFile.h"
#include "ConverterHost.h"
#include "support/OutputValidator.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(FuzzRegression, EveryKeptInputGivesAComplaintOrAWellFormedTable)
{
    const std::filesystem::path folder = BMP2CDATA_FUZZ_REGRESSIONS;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename().string().starts_with("."))
            continue;
        for (bool rgb332 : {false, true}) {
            SCOPED_TRACE(entry.path().string());
            StopConversion = false;
            RecordingHost host;
            host.rgb332 = rgb332;
            ConvertBmpFile(host, entry.path().string());
            EXPECT_EQ(ValidateOutput({host.lines, host.clipboard, host.copies, false, host.pumps},
                                     entry.path().string()),
                      "");
        }
        ++replayed;
    }
    SUCCEED() << replayed << " inputs replayed";
}

}  // namespace
