// Times natively the conversion the page runs in the browser: the table, its
// clipboard text and the preview, from the file's bytes in memory.
//   bench_page BMPFILE [SAMPLES [BATCH]]   prints the median of SAMPLES runs
//                                          of BATCH conversions in a row, in ms

#include "BenchSupport.h"
#include "BmpFile.h"
#include "PageConversion.h"

#include <cstdio>
#include <cstdlib>

using namespace bmp2cdata;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_page BMPFILE [SAMPLES [BATCH]]\n", stderr);
        return 2;
    }
    const std::optional<BmpFileBytes> file = ReadBmpFile(argv[1]);
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const int samples = argc > 2 ? std::atoi(argv[2]) : 21;
    const int batch = argc > 3 ? std::atoi(argv[3]) : 20;
    std::size_t written = 0;  // keeps the conversions from being optimised away
    const double median = MedianMilliseconds(samples, [&] {
        for (int run = 0; run < batch; ++run)
            written += ConvertForPage("largest.bmp", file->bytes, file->length, {}).output.size();
    });
    std::printf("%.3f\n", median);
    return written > 0 ? 0 : 1;
}
