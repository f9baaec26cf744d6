// Times the conversion alone through a host whose operations do nothing.
//   bench_core BMPFILE [RUNS]   prints the median in milliseconds

#include "BenchSupport.h"
#include "ConvertBmpFile.h"
#include "ConverterHost.h"

#include <cstdio>
#include <cstdlib>

using namespace bmp2cdata;

namespace {

class NullHost : public ConverterHost {
public:
    void AddLine(const std::string& line) override { written += line.size(); }
    void ClearOutput() override {}
    void CopyAllToClipboard() override {}
    void PumpEvents() override {}
    bool Rgb332Selected() override { return false; }
    std::optional<std::string> ChooseFile() override { return std::nullopt; }

    std::size_t written = 0;  // keeps the lines from being optimised away
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_core BMPFILE [RUNS]\n", stderr);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 21;
    NullHost host;
    const double median = MedianMilliseconds(runs, [&] { ConvertBmpFile(host, argv[1]); });
    std::printf("%.3f\n", median);
    return host.written > 0 ? 0 : 1;
}
