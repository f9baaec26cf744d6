// Times the platform's decoder alone on a PNG or JPEG file held in memory,
// its rows thrown away: the floor under a conversion of that picture.
//   bench_decode PICTURE RUNS
//       prints the median in milliseconds
//   bench_decode PICTURE RUNS --versus PROGRAM [ARGUMENT...]
//       runs the program's whole process and the decode in turn, run by run,
//       so that both meet the same machine, and prints the two medians

#include "BenchSupport.h"
#include "PlatformPictureDecoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

double DecodeOnce(const std::vector<std::uint8_t>& file, Discard& rows)
{
    const auto start = std::chrono::steady_clock::now();
    const PictureFormat format = SniffPictureFormat(file);
    if (const std::optional<PictureSize> size = DeclaredSize(format, file))
        PlatformPictureDecoder().Decode(format, file, *size, rows);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (argc > 3 && (std::strcmp(argv[3], "--versus") != 0 || argc == 4))) {
        std::fputs("usage: bench_decode PICTURE RUNS [--versus PROGRAM [ARGUMENT...]]\n", stderr);
        return 2;
    }
    std::ifstream stream(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    char** program = argc > 3 ? argv + 4 : nullptr;
    Discard rows;
    std::vector<double> processes, decodes;
    for (int run = 0; run < std::atoi(argv[2]); ++run) {
        if (program) {
            processes.push_back(RunProcessOnce(program));
            if (processes.back() < 0) {
                std::fprintf(stderr, "bench_decode: %s failed\n", program[0]);
                return 1;
            }
        }
        decodes.push_back(DecodeOnce(file, rows));
    }
    if (program)
        std::printf("%.3f ", Median(processes));
    std::printf("%.3f\n", Median(decodes));
    return rows.rows > 0 ? 0 : 1;
}
