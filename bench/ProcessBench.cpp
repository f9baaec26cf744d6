// Times whole processes, their output thrown away.
//   bench_process RUNS PROGRAM [ARGUMENT...]
//       prints the median in milliseconds
//   bench_process RUNS PROGRAM [ARGUMENT...] --versus PROGRAM [ARGUMENT...]
//       runs the two commands in turn, run by run, so that both meet the
//       same machine, and prints the two medians

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: bench_process RUNS PROGRAM [ARGUMENT...] [--versus PROGRAM [ARGUMENT...]]\n", stderr);
        return 2;
    }
    std::vector<char**> commands = {argv + 2};
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--versus") == 0) {
            argv[i] = nullptr;
            commands.push_back(argv + i + 1);
        }
    }
    std::vector<std::vector<double>> times(commands.size());
    for (int run = 0; run < std::atoi(argv[1]); ++run) {
        for (std::size_t command = 0; command < commands.size(); ++command) {
            const double took = RunProcessOnce(commands[command]);
            if (took < 0) {
                std::fprintf(stderr, "bench_process: %s failed\n", commands[command][0]);
                return 1;
            }
            times[command].push_back(took);
        }
    }
    for (std::size_t command = 0; command < commands.size(); ++command)
        std::printf(command == 0 ? "%.3f" : " %.3f", Median(times[command]));
    std::printf("\n");
    return 0;
}
