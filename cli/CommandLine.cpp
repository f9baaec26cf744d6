#include "CommandLine.h"

#include "BufferHost.h"
#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "OutputFile.h"
#include "Platform.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// On Windows the backslash separates folders; escaping it would garble every path.
#ifdef _WIN32
constexpr bool kEscapeBackslash = false;
#else
constexpr bool kEscapeBackslash = true;
#endif

constexpr std::string_view kUsage =
    "Usage: bmp2cdata [--rgb332] [-o FILE] BMPFILE...\n"
    "Converts 24-bit uncompressed BMP images into Cdata tables of RGB565 words,\n"
    "one after another in the order given.\n"
    "\n"
    "  --rgb332    write tables of RGB332 bytes instead\n"
    "  -o FILE     write the tables to FILE instead of standard output\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n";

constexpr std::string_view kVersion = "bmp2cdata " BMP2CDATA_VERSION "\n";

struct Options {
    bool rgb332 = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> outputPath;
    std::vector<std::string> inputPaths;
};

// A file that converts, read and checked before anything is written.
struct Input {
    std::string path;
    LoadedBmp loaded;
};

std::string WithLineEnds(std::string_view text)
{
    std::string converted;
    for (const char c : text) {
        if (c == '\n')
            converted += kLineEnd;
        else
            converted += c;
    }
    return converted;
}

// Text with its control characters written as escapes (\n, \t, \r, \xHH),
// so that a complaint naming a path stays on one line.
std::string EscapeControlCharacters(std::string_view text)
{
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    constexpr unsigned char kDelete = 0x7F;
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\\' && kEscapeBackslash) {
            escaped += "\\\\";
        } else if (byte < 0x20 || byte == kDelete) {
            escaped += "\\x";
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void Complain(std::string_view line)
{
    WriteStandardError(EscapeControlCharacters(line) + std::string(kLineEnd));
}

int StandardOutputStatus(bool written)
{
    if (written)
        return kExitConverted;
    Complain("bmp2cdata: cannot write standard output");
    return kExitRefused;
}

// Parses the arguments; nothing, with a reason, when they make no sense.
std::optional<Options> ParseArguments(const std::vector<std::string>& arguments, std::string& problem)
{
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
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
            options.outputPath = arguments[++i];
        } else if (isOption) {
            problem = "unknown option " + argument;
            return std::nullopt;
        } else {
            options.inputPaths.push_back(argument);
        }
    }
    if (options.inputPaths.empty() && !options.help && !options.version) {
        problem = "no BMP file given";
        return std::nullopt;
    }
    return options;
}

// The image in path, or its complaint, as the conversion would give it.
std::optional<Input> ReadInput(const std::string& path, std::string& complaint)
{
    LoadedBmp loaded(path);
    if (!loaded.Decoded().Converts()) {
        complaint = loaded.Decoded().complaint;
        return std::nullopt;
    }
    return Input{path, std::move(loaded)};
}

// BASIC labels ignore case, so "Logo" and "logo" clash.
std::string LabelKey(const std::string& path)
{
    std::string key = LabelFromPath(path);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return key;
}

// One line for every path whose table would define a label an earlier one defines.
std::vector<std::string> LabelClashes(const std::vector<std::string>& paths)
{
    std::vector<std::string> clashes;
    std::map<std::string, const std::string*> firstWithLabel;
    for (const std::string& path : paths) {
        const auto [first, isNew] = firstWithLabel.emplace(LabelKey(path), &path);
        if (!isNew)
            clashes.push_back("bmp2cdata: the label " + LabelFromPath(*first->second) +
                              " would be defined twice, by " + *first->second + " and by " + path);
    }
    return clashes;
}

// Reads every file; nothing when any is refused, each complaint then written.
std::optional<std::vector<Input>> ReadInputs(const std::vector<std::string>& paths)
{
    std::vector<Input> inputs;
    std::vector<std::string> complaints;
    for (const std::string& path : paths) {
        std::string complaint;
        if (std::optional<Input> input = ReadInput(path, complaint))
            inputs.push_back(std::move(*input));
        else
            complaints.push_back(paths.size() > 1 ? path + ": " + complaint : complaint);
    }
    for (std::string& clash : LabelClashes(paths))
        complaints.push_back(std::move(clash));
    for (const std::string& complaint : complaints)
        Complain(complaint);
    if (!complaints.empty())
        return std::nullopt;
    return inputs;
}

// Converts each input into one buffer, sized once for the longest run, and
// hands its table to write; stops at the first write that fails.
template <typename Write>
bool WriteEachTable(const std::vector<Input>& inputs, bool rgb332, Write write)
{
    std::size_t longest = 0;
    for (const Input& input : inputs)
        longest = std::max(longest, RunOutputLength(LabelFromPath(input.path), input.loaded.Decoded().image.width,
                                                    input.loaded.Decoded().image.height, rgb332, kLineEnd.size()));
    std::string buffer;
    buffer.reserve(longest);
    PrefaultCapacity(buffer);
    for (const Input& input : inputs) {
        buffer.clear();
        BufferHost host(rgb332, buffer, kLineEnd);
        ConvertDecodedBmp(host, input.path, input.loaded.Decoded());
        // The bytes were accepted by the same decode, so the run always gives its table.
        if (!write(host.Clipboard().value()))
            return false;
    }
    return true;
}

int WriteTablesToFile(const std::vector<Input>& inputs, bool rgb332, const std::string& path)
{
    OutputFile file;
    std::string error;
    if (file.Open(path, error) &&
        WriteEachTable(inputs, rgb332, [&](std::string_view table) { return file.Write(table, error); }) &&
        file.Commit(error))
        return kExitConverted;
    Complain("bmp2cdata: cannot write " + path + ": " + error);
    return kExitRefused;
}

int Convert(const Options& options)
{
    const std::optional<std::vector<Input>> inputs = ReadInputs(options.inputPaths);
    if (!inputs)
        return kExitRefused;
    if (options.outputPath)
        return WriteTablesToFile(*inputs, options.rgb332, *options.outputPath);
    return StandardOutputStatus(WriteEachTable(*inputs, options.rgb332, WriteStandardOutput));
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments)
{
    std::string problem;
    const std::optional<Options> options = ParseArguments(arguments, problem);
    if (!options) {
        Complain("bmp2cdata: " + problem);
        WriteStandardError(WithLineEnds(kUsage));
        return kExitUsage;
    }
    if (options->help)
        return StandardOutputStatus(WriteStandardOutput(WithLineEnds(kUsage)));
    if (options->version)
        return StandardOutputStatus(WriteStandardOutput(WithLineEnds(kVersion)));
    return Convert(*options);
}
