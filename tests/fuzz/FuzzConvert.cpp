// Coverage-guided fuzzing of the conversion: any bytes must give exactly one
// known complaint or a well-formed table, in both layouts and when stopped
// part-way, without touching memory they do not own. The bytes go straight
// into the decode; one run in each input also goes through a real file.
// They also go the road of a picture, PNG and JPEG through the platform's
// decoders, with options picked from the input.

#include "BmpDecode.h"
#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "ConvertPicture.h"
#include "ConverterHost.h"
#include "PlatformPictureDecoder.h"
#include "support/OutputValidator.h"
#include "support/RecordingHost.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <unistd.h>

using namespace bmp2cdata;

namespace {

const std::string& ScratchPath()
{
    static const std::string path = [] {
        // Memory-backed where the system has it: the file is rewritten for
        // most inputs.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/fuzz_convert-XXXXXX" : "/tmp/fuzz_convert-XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0)
            std::abort();
        close(descriptor);
        return pattern;
    }();
    return path;
}

void WriteInput(std::span<const std::uint8_t> input)
{
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr || (!input.empty() && std::fwrite(input.data(), 1, input.size(), file) != input.size()) ||
        std::fclose(file) != 0)
        std::abort();
}

// stopAtPump 0 runs to the end; otherwise Close is "clicked" in that pump.
// Without input the run reads the scratch file instead.
RunRecord Convert(const std::span<const std::uint8_t>* input, bool rgb332, int stopAtPump)
{
    StopConversion = false;
    RecordingHost host;
    host.recordCalls = false;
    host.rgb332 = rgb332;
    bool stopped = false;
    if (stopAtPump > 0)
        host.onPump = [&](int pump) {
            if (pump == stopAtPump)
                StopConversion = stopped = true;
        };
    if (input != nullptr)
        ConvertBmpBytes(host, LabelFromPath(ScratchPath()), *input, static_cast<std::int64_t>(input->size()));
    else
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

// Pictures of every size up to the limit are decoded: the decoders refuse
// damage where they first meet it, and bound what a hostile file can cost,
// so that a large one is no slower than its data.
void CheckPicture(std::span<const std::uint8_t> input)
{
    const std::uint8_t pick = input.empty() ? 0 : input[input.size() / 3];
    PictureOptions options;
    if (pick & 1)
        options.box = PictureSize{1u + pick % 97u, 1u + pick % 61u};
    options.sizing = static_cast<Sizing>(pick / 8 % 3);
    options.dither = static_cast<Dither>(pick / 2 % 3);
    options.quarterTurns = pick / 24 % 4;
    options.mirror = (pick & 0x20) != 0;
    options.bgr = (pick & 0x40) != 0;
    options.background = {pick, static_cast<std::uint8_t>(pick * 3), static_cast<std::uint8_t>(pick * 7)};
    const LoadedPicture loaded =
        LoadPictureBytes(input, static_cast<std::int64_t>(input.size()), PlatformPictureDecoder(), options);
    StopConversion = false;
    RecordingHost host;
    host.recordCalls = false;
    host.rgb332 = (pick & 4) != 0;
    if (loaded.Converts())
        ConvertPicture(host, ScratchPath(), loaded.picture, options);
    else
        host.AddLine(loaded.complaint);
    Check({host.lines, host.clipboard, host.copies, false, host.pumps});
    // A sized picture with pixels fits its box, and a filled or padded one
    // is the box's size.
    const Picture& picture = loaded.picture;
    const PictureSize box = options.box.value_or(PictureSize{});
    const bool exact = options.sizing != Sizing::Fit;
    if (loaded.Converts() && options.box && picture.Area() > 0 &&
        (picture.width > box.width || picture.height > box.height ||
         (exact && PictureSize{picture.width, picture.height} != box)))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> input(data, size);
    const RunRecord words = Convert(&input, false, 0);
    Check(words);
    Check(Convert(&input, true, 0));
    // The dialog's verdict comes from the same decode and must agree.
    const DecodedBmp decoded = DecodeBmp(input);
    if (decoded.Converts() != (words.copies == 1) || (!decoded.Converts() && decoded.complaint != words.lines[0]))
        std::abort();
    // Stop at a pump picked from the input, before a pixel or after a line;
    // this run reads the input from a file, as the window does.
    if (words.copies == 1 && size > 0) {
        WriteInput(input);
        const int pump = 1 + static_cast<int>((data[size / 2] * 257u + data[size - 1]) % unsigned(words.pumps));
        Check(Convert(nullptr, data[size - 1] % 2 == 0, pump));
    }
    CheckPicture(input);
    return 0;
}
