// bmp2cdata: converts a 24-bit BMP file into a Cdata table for build scripts.

#include "AtomicFile.h"
#include "CommandLineHost.h"
#include "ConvertBmpFile.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitComplaint = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: bmp2cdata [--rgb332] [-o FILE] BMPFILE\n"
    "Converts a 24-bit uncompressed BMP image into a Cdata table of RGB565 words.\n"
    "\n"
    "  --rgb332    write a table of RGB332 bytes instead\n"
    "  -o FILE     write the table to FILE instead of standard output\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n";

struct Options {
    bool rgb332 = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> outputPath;
    std::string inputPath;
};

// Parses the arguments; nothing, with a reason, when they make no sense.
std::optional<Options> ParseArguments(const std::vector<std::string_view>& arguments,
                                      std::string& problem)
{
    Options options;
    bool haveInput = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (isOption && argument == "--") {
            optionsEnded = true;
        } else if (isOption && argument == "--rgb332") {
            options.rgb332 = true;
        } else if (isOption && (argument == "--help" || argument == "-h")) {
            options.help = true;
        } else if (isOption && argument == "--version") {
            options.version = true;
        } else if (isOption && argument == "-o") {
            if (i + 1 == arguments.size() || options.outputPath) {
                problem = options.outputPath ? "-o given twice" : "-o needs a file name";
                return std::nullopt;
            }
            options.outputPath = std::string(arguments[++i]);
        } else if (isOption) {
            problem = "unknown option " + std::string(argument);
            return std::nullopt;
        } else if (haveInput) {
            problem = "only one BMP file may be given";
            return std::nullopt;
        } else {
            options.inputPath = std::string(argument);
            haveInput = true;
        }
    }
    if (!haveInput && !options.help && !options.version) {
        problem = "no BMP file given";
        return std::nullopt;
    }
    return options;
}

int Convert(const Options& options)
{
    CommandLineHost host(options.rgb332);
    ConvertBmpFile(host, options.inputPath);
    if (!host.Clipboard()) {
        // A run that gives a complaint writes that one line and nothing else.
        std::fputs(host.Output().c_str(), stderr);
        return kExitComplaint;
    }
    const std::string& table = *host.Clipboard();
    if (options.outputPath) {
        std::string error;
        if (!WriteFileAtomically(*options.outputPath, table, error)) {
            std::fprintf(stderr, "bmp2cdata: cannot write %s: %s\n", options.outputPath->c_str(),
                         error.c_str());
            return kExitComplaint;
        }
        return kExitConverted;
    }
    if (std::fwrite(table.data(), 1, table.size(), stdout) != table.size() ||
        std::fflush(stdout) != 0) {
        std::fputs("bmp2cdata: cannot write standard output\n", stderr);
        return kExitComplaint;
    }
    return kExitConverted;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    std::string problem;
    const std::optional<Options> options = ParseArguments(arguments, problem);
    if (!options) {
        std::fprintf(stderr, "bmp2cdata: %s\n%.*s", problem.c_str(),
                     static_cast<int>(kUsage.size()), kUsage.data());
        return kExitUsage;
    }
    if (options->help) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return kExitConverted;
    }
    if (options->version) {
        std::puts("bmp2cdata " BMP2CDATA_VERSION);
        return kExitConverted;
    }
    return Convert(*options);
}
