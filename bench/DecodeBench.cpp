// Times the platform's decoder alone on a PNG or JPEG file held in memory,
// its rows thrown away: the floor under a conversion of that picture.
//   bench_decode PICTURE RUNS
//       prints the median in milliseconds
//   bench_decode PICTURE RUNS --versus PROGRAM [ARGUMENT...]
//       runs, in turn run by run so that all three meet the same machine:
//       the program's whole process, a bare process that only reads and
//       decodes the picture, and the decode in this process; prints the
//       three medians
//   bench_decode --bare PICTURE
//       is that bare process: the floor under any program that converts
//       the picture, as it is linked as the command line is

#include "BenchSupport.h"
#include "BmpFile.h"
#include "PlatformPictureDecoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace bmp2cdata;

namespace {

class Discard : public RgbaRows {
public:
    void AddRow(std::span<const std::uint8_t> rgba) override { rows += !rgba.empty(); }
    void AddRow(std::span<const std::uint16_t> rgba) override { rows += !rgba.empty(); }
    void AddPassRow(int, std::span<const std::uint8_t> rgba) override { rows += !rgba.empty(); }
    void AddPassRow(int, std::span<const std::uint16_t> rgba) override { rows += !rgba.empty(); }

    int rows = 0;  // keeps the rows from being optimised away
};

// The whole file, read as the command line reads it.
std::optional<BmpFileBytes> ReadWhole(const char* path)
{
    return ReadFileAsNeeded(path, 0, [](std::span<const std::uint8_t>, std::int64_t length) { return length; });
}

double DecodeOnce(std::span<const std::uint8_t> file, Discard& rows)
{
    const auto start = std::chrono::steady_clock::now();
    const PictureFormat format = SniffPictureFormat(file);
    if (const std::optional<PictureSize> size = DeclaredSize(format, file))
        PlatformPictureDecoder().Decode(format, file, *size, rows);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int Bare(const char* path)
{
    const std::optional<BmpFileBytes> file = ReadWhole(path);
    Discard rows;
    if (file)
        DecodeOnce(file->bytes, rows);
    return rows.rows > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--bare") == 0)
        return Bare(argv[2]);
    if (argc < 3 || (argc > 3 && (std::strcmp(argv[3], "--versus") != 0 || argc == 4))) {
        std::fputs("usage: bench_decode PICTURE RUNS [--versus PROGRAM [ARGUMENT...]]\n"
                   "       bench_decode --bare PICTURE\n",
                   stderr);
        return 2;
    }
    const std::optional<BmpFileBytes> file = ReadWhole(argv[1]);
    if (!file) {
        std::fprintf(stderr, "bench_decode: cannot read %s\n", argv[1]);
        return 1;
    }
    char** program = argc > 3 ? argv + 4 : nullptr;
    std::string self = "/proc/self/exe", bare = "--bare";
    char* bareCommand[] = {self.data(), bare.data(), argv[1], nullptr};
    Discard rows;
    std::vector<double> processes, bares, decodes;
    for (int run = 0; run < std::atoi(argv[2]); ++run) {
        if (program) {
            processes.push_back(RunProcessOnce(program));
            bares.push_back(RunProcessOnce(bareCommand));
            if (processes.back() < 0 || bares.back() < 0) {
                std::fprintf(stderr, "bench_decode: %s failed\n", processes.back() < 0 ? program[0] : "--bare");
                return 1;
            }
        }
        decodes.push_back(DecodeOnce(file->bytes, rows));
    }
    if (program)
        std::printf("%.3f %.3f ", Median(processes), Median(bares));
    std::printf("%.3f\n", Median(decodes));
    return rows.rows > 0 ? 0 : 1;
}
