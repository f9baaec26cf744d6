// Coverage-guided fuzzing of the conversion: any bytes, as a file, must give
// exactly one known complaint or a well-formed table, in both layouts and
// when stopped part-way, without touching memory it does not own.

#include "BmpFile.h"
#include "ConvertBmpFile.h"
#include "ConverterHost.h"
#include "support/OutputValidator.h"
#include "support/RecordingHost.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchPath()
{
    static const std::string path = [] {
        std::string pattern = "/tmp/fuzz_convert-XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0)
            std::abort();
        close(descriptor);
        return pattern;
    }();
    return path;
}

void WriteInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0)
        std::abort();
}

// stopAtPump 0 runs to the end; otherwise Close is "clicked" in that pump.
RunRecord Convert(bool rgb332, int stopAtPump)
{
    StopConversion = false;
    RecordingHost host;
    host.rgb332 = rgb332;
    bool stopped = false;
    if (stopAtPump > 0)
        host.onPump = [&](int pump) {
            if (pump == stopAtPump)
                StopConversion = stopped = true;
        };
    ConvertBmpFile(host, ScratchPath());
    StopConversion = false;
    return {host.lines, host.clipboard, host.copies, stopped, host.pumps};
}

void Check(const RunRecord& run)
{
    const std::string problem = ValidateOutput(run, ScratchPath());
    if (!problem.empty()) {
        std::fprintf(stderr, "malformed output: %s\n", problem.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteInput(data, size);
    const RunRecord words = Convert(false, 0);
    Check(words);
    Check(Convert(true, 0));
    // The file dialog's verdict must agree with the run.
    const std::optional<std::string> verdict = CheckBmpPath(ScratchPath());
    if (verdict.has_value() != (words.copies == 0) || (verdict && *verdict != words.lines[0]))
        std::abort();
    // Stop at a pump picked from the input, before a pixel or after a line.
    if (words.copies == 1 && size > 0) {
        const int pump = 1 + static_cast<int>((data[size / 2] * 257u + data[size - 1]) % unsigned(words.pumps));
        Check(Convert(data[size - 1] % 2 == 0, pump));
    }
    return 0;
}
