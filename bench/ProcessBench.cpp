// Times a whole process, its output thrown away.
//   bench_process RUNS PROGRAM [ARGUMENT...]   prints the median in milliseconds

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool RunOnce(char** command)
{
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: bench_process RUNS PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    bool failed = false;
    const double median = MedianMilliseconds(std::atoi(argv[1]), [&] { failed |= !RunOnce(argv + 2); });
    if (failed) {
        std::fprintf(stderr, "bench_process: %s failed\n", argv[2]);
        return 1;
    }
    std::printf("%.3f\n", median);
    return 0;
}
