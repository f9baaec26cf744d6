// Times the platform's decoder alone on a PNG or JPEG file held in memory,
// its rows thrown away: the floor under a conversion of that picture.
//   bench_decode PICTURE [RUNS]   prints the median in milliseconds

#include "BenchSupport.h"
#include "PlatformPictureDecoder.h"

#include <cstdio>
#include <cstdlib>
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_decode PICTURE [RUNS]\n", stderr);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 21;
    std::ifstream stream(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    const PictureFormat format = SniffPictureFormat(file);
    const std::optional<PictureSize> size = DeclaredSize(format, file);
    Discard rows;
    const double median = MedianMilliseconds(runs, [&] {
        if (size)
            PlatformPictureDecoder().Decode(format, file, *size, rows);
    });
    std::printf("%.3f\n", median);
    return rows.rows > 0 ? 0 : 1;
}
