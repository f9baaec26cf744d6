#pragma once

// Timing helpers shared by the benchmark programs.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

// The middle one of several measurements.
inline double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds one call of work takes, as the median of several runs.
inline double MedianMilliseconds(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(std::move(times));
}

#ifndef _WIN32
// Milliseconds a whole process of command (null-terminated, as execvp takes
// it) took, its output thrown away, or a negative number when it failed.
inline double RunProcessOnce(char** command)
{
    const auto start = std::chrono::steady_clock::now();
    // Spawned, not forked: the child does not copy the timing program's
    // memory first, so that only the command's own start is timed.
    pid_t child = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const bool started = posix_spawnp(&child, command[0], &actions, nullptr, command, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    const bool succeeded = started && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                           WEXITSTATUS(status) == 0;
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return succeeded ? took.count() : -1;
}
#endif
