#pragma once

// Runs a program through the shell and collects what it printed.

#include "BmpBuilder.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline ProcessResult RunProcess(const ScratchFolder& folder, const std::string& command)
{
    const std::string out = (folder.Path() / ".stdout").string();
    const std::string err = (folder.Path() / ".stderr").string();
    const int raw = std::system((command + " >" + ShellQuote(out) + " 2>" + ShellQuote(err) +
                                 " </dev/null").c_str());
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadText(out);
    result.err = ReadText(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}
