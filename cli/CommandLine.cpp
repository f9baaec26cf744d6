#include "CommandLine.h"

#include "BufferHost.h"
#include "CdataTable.h"
#include "Label.h"
#include "LoadedFile.h"
#include "OutputFile.h"
#include "Platform.h"
#include "PlatformPictureDecoder.h"
#include "Prefault.h"
#include "Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <new>
#include <optional>

using namespace bmp2cdata;

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// On Windows the backslash separates folders; escaping it would garble every
// path. Windows programs also show their help for /?.
#ifdef _WIN32
constexpr bool kEscapeBackslash = false;
constexpr bool kSlashQuestionMarkIsHelp = true;
#else
constexpr bool kEscapeBackslash = true;
constexpr bool kSlashQuestionMarkIsHelp = false;
#endif

// The file name that stands for standard input.
constexpr std::string_view kStandardInput = "-";

// The whole complaint when memory runs out outside the reading of a file,
// whose complaint goes on to name it.
constexpr std::string_view kOutOfMemoryComplaint = "bmp2cdata: not enough memory";

constexpr std::string_view kUsage =
    "Usage: bmp2cdata [OPTION]... PICTURE...\n"
    "       bmp2cdata [OPTION]... --test-card WxH\n"
    "Converts pictures (24-bit uncompressed BMP, PNG or JPEG) into Cdata tables of\n"
    "RGB565 words, one after another in the order given, each labelled with its\n"
    "file's name without the extension. A PICTURE of - is read from standard input.\n"
    "A JPEG or PNG picture is turned upright as its EXIF orientation says. A table\n"
    "holds at most 65535 pixels; W and H are 1 to 4096.\n"
    "\n"
    "  --rgb332             write tables of RGB332 bytes instead\n"
    "  --fit WxH            scale each picture down to fit inside W x H pixels,\n"
    "                       keeping its aspect ratio\n"
    "  --fill WxH           scale each picture up or down, keeping its aspect\n"
    "                       ratio, to cover W x H pixels, and cut it to W x H\n"
    "                       about the middle\n"
    "  --pad WxH            fit each picture inside W x H pixels and centre it on\n"
    "                       W x H pixels of the background colour\n"
    "  --rotate DEGREES     turn each picture clockwise by 90, 180 or 270 degrees\n"
    "  --mirror             swap each picture's left and right, after --rotate\n"
    "  --bgr                swap red and blue, for a panel set up as BGR\n"
    "  --dither             spread each pixel's rounding error to its neighbours\n"
    "                       (Floyd-Steinberg; --dither=fs says the same)\n"
    "  --dither=ordered     dither by an 8 x 8 Bayer matrix instead\n"
    "  --background RRGGBB  the colour behind transparent pixels and around a\n"
    "                       padded picture (000000); a leading # is taken too,\n"
    "                       as in #FF8000\n"
    "  --split              write a picture of more than 65535 pixels as tables of\n"
    "                       whole rows labelled NAME_1, NAME_2, ...; up to 786432\n"
    "                       pixels (1024 x 768)\n"
    "  --test-card WxH      write the table of a W x H test card, labelled testcard\n"
    "  -o FILE              write the tables to FILE instead of standard output\n"
    "  --label NAME         label the table NAME (a single PICTURE; needed for -)\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n";

constexpr std::string_view kVersion = "bmp2cdata " BMP2CDATA_VERSION "\n";

// A file read and checked before anything is written, and kept only when it
// converts.
struct Input {
    std::string path;
    LoadedFile file;
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

// The escapes for the bytes of a character that may not reach the terminal
// as it is. A C1 control or a non-ASCII bidirectional control is spelled
// byte by byte too (\xC2\x80, not \u0080), as invalid UTF-8 must be: one
// notation throughout, which printf or $'...' turns back into the very name.
std::string EscapedBytes(std::string_view bytes)
{
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    constexpr std::pair<std::string_view, std::string_view> kNamedEscapes[] = {
        {"\n", "\\n"}, {"\t", "\\t"}, {"\r", "\\r"}};
    for (const auto& [character, escape] : kNamedEscapes)
        if (bytes == character)
            return std::string(escape);
    std::string escaped;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        escaped += {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
    }
    return escaped;
}

}  // namespace

std::string EscapeForTerminal(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) {
        const Utf8Step step = DecodeUtf8At(text, position);
        const std::string_view bytes = text.substr(position, step.length);
        if (!step.valid || DisturbsText(step.codePoint))
            escaped += EscapedBytes(bytes);
        else if (bytes == "\\" && kEscapeBackslash)
            escaped += "\\\\";
        else
            escaped += bytes;
        position += step.length;
    }
    return escaped;
}

namespace {

void Complain(std::string_view line)
{
    WriteStandardError(EscapeForTerminal(line) + std::string(kLineEnd));
}

int StandardOutputStatus(bool written)
{
    if (written)
        return kExitConverted;
    Complain("bmp2cdata: cannot write standard output");
    return kExitRefused;
}

// Takes the value that follows the option arguments[i] into value; false,
// with a reason, when there is none or the option came before.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string_view what,
               std::optional<std::string>& value, std::string& problem)
{
    const std::string& option = arguments[i];
    if (value || i + 1 == arguments.size()) {
        problem = value ? option + " given twice" : option + " needs " + std::string(what);
        return false;
    }
    value = arguments[++i];
    return true;
}

// What is wrong with --label, or with reading standard input, given these
// files; nothing when all is well.
std::optional<std::string> LabelProblem(const Options& options)
{
    const bool readsStandardInput = std::ranges::find(options.inputPaths, kStandardInput) != options.inputPaths.end();
    if (readsStandardInput && !options.label)
        return "reading standard input (-) needs --label NAME";
    if (options.label && options.inputPaths.size() > 1)
        return "--label names the table of a single picture";
    if (options.label && BreaksSourceText(*options.label))
        return "--label: a name holding control characters, line breaks or invalid characters cannot label the "
               "table";
    return std::nullopt;
}

// "WxH" given to option, both from 1 to 4096.
std::optional<PictureSize> ParseSize(const std::string& option, std::string_view text, std::string& problem)
{
    const FitBox box = ParseFitBox(text);
    if (box.problem == FitBox::Problem::NotASize)
        problem = option + " needs a width and a height such as 160x128";
    else if (box.problem == FitBox::Problem::SideTooLong)
        problem = option + " " + std::string(text) + ": W and H must be at most " + std::to_string(kMaxBoxSide);
    return box.size;
}

// "RRGGBB" in hexadecimal digits, or "#RRGGBB" as web pages and picture
// editors write it.
std::optional<RgbColour> ParseColour(std::string_view text, std::string& problem)
{
    if (text.starts_with('#'))
        text.remove_prefix(1);
    std::uint32_t value = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() != 6 || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) {
        problem = "--background needs a colour of six hexadecimal digits such as FF8000 or #FF8000";
        return std::nullopt;
    }
    return RgbColour{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                     static_cast<std::uint8_t>(value)};
}

enum class Parsed { NotPictureOption, Taken, Wrong };

// Takes an option without a value: --dither (=fs or =ordered), --mirror,
// --bgr or --split.
Parsed ParsePictureFlag(const std::string& option, PictureOptions& options, std::string& problem)
{
    if (option == "--dither" || option == "--dither=fs")
        options.dither = Dither::FloydSteinberg;
    else if (option == "--dither=ordered")
        options.dither = Dither::Ordered;
    else if (option.starts_with("--dither="))
        problem = "--dither= takes ordered or fs";
    else if (option == "--mirror")
        options.mirror = true;
    else if (option == "--bgr")
        options.bgr = true;
    else if (option == "--split")
        options.split = true;
    else
        return Parsed::NotPictureOption;
    return problem.empty() ? Parsed::Taken : Parsed::Wrong;
}

// Takes --fit, --fill or --pad WxH: one of them at most.
bool ParseSizing(const std::string& option, const std::string& value, PictureOptions& options,
                 std::string& problem)
{
    if (options.box) {
        problem = "only one of --fit, --fill and --pad can be given";
        return false;
    }
    options.sizing = option == "--fill" ? Sizing::Fill : option == "--pad" ? Sizing::Pad : Sizing::Fit;
    options.box = ParseSize(option, value, problem);
    return options.box.has_value();
}

bool ParseRotation(const std::string& value, PictureOptions& options, std::string& problem)
{
    constexpr std::string_view kTurns[] = {"90", "180", "270"};
    for (std::uint32_t turns = 1; turns <= 3; ++turns)
        if (value == kTurns[turns - 1]) {
            options.quarterTurns = turns;
            return true;
        }
    problem = "--rotate takes 90, 180 or 270";
    return false;
}

// Takes a picture option at arguments[i], with its value if it has one.
Parsed ParsePictureOption(const std::vector<std::string>& arguments, std::size_t& i, PictureOptions& options,
                          std::string& problem)
{
    const std::string& option = arguments[i];
    if (const Parsed flag = ParsePictureFlag(option, options, problem); flag != Parsed::NotPictureOption)
        return flag;
    constexpr std::string_view kValued[] = {"--fit", "--fill", "--pad", "--rotate", "--background"};
    if (std::ranges::find(kValued, option) == std::end(kValued))
        return Parsed::NotPictureOption;
    if (i + 1 == arguments.size()) {
        problem = option + " needs a value";
        return Parsed::Wrong;
    }
    const std::string& value = arguments[++i];
    if (option == "--rotate")
        return ParseRotation(value, options, problem) ? Parsed::Taken : Parsed::Wrong;
    if (option != "--background")
        return ParseSizing(option, value, options, problem) ? Parsed::Taken : Parsed::Wrong;
    const std::optional<RgbColour> colour = ParseColour(value, problem);
    options.background = colour.value_or(RgbColour{});
    return colour ? Parsed::Taken : Parsed::Wrong;
}

// Takes --test-card WxH at arguments[i].
bool ParseTestCard(const std::vector<std::string>& arguments, std::size_t& i, Options& options,
                   std::string& problem)
{
    if (options.testCard || i + 1 == arguments.size()) {
        problem = options.testCard ? "--test-card given twice" : "--test-card needs a value";
        return false;
    }
    options.testCard = ParseSize("--test-card", arguments[++i], problem);
    return options.testCard.has_value();
}

// What is wrong with the pictures asked for; nothing when all is well.
std::optional<std::string> InputProblem(const Options& options)
{
    if (options.testCard && !options.inputPaths.empty())
        return "--test-card takes no PICTURE";
    if (!options.testCard && options.inputPaths.empty() && !options.help && !options.version)
        return "no picture given";
    return std::nullopt;
}

}  // namespace

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
        } else if (!optionsEnded && (argument == "--help" || argument == "-h" ||
                                     (kSlashQuestionMarkIsHelp && argument == "/?"))) {
            options.help = true;
        } else if (isOption && argument == "--version") {
            options.version = true;
        } else if (const Parsed parsed = isOption ? ParsePictureOption(arguments, i, options.picture, problem)
                                                  : Parsed::NotPictureOption;
                   parsed != Parsed::NotPictureOption) {
            if (parsed == Parsed::Wrong)
                return std::nullopt;
        } else if (isOption && argument == "--test-card") {
            if (!ParseTestCard(arguments, i, options, problem))
                return std::nullopt;
        } else if (isOption && (argument == "-o" || argument == "--label")) {
            std::optional<std::string>& value = argument == "-o" ? options.outputPath : options.label;
            if (!TakeValue(arguments, i, argument == "-o" ? "a file name" : "a name", value, problem))
                return std::nullopt;
        } else if (isOption) {
            problem = "unknown option " + argument;
            return std::nullopt;
        } else {
            options.inputPaths.push_back(argument);
        }
    }
    std::optional<std::string> wrong = InputProblem(options);
    if (!wrong)
        wrong = LabelProblem(options);
    if (wrong) {
        problem = std::move(*wrong);
        return std::nullopt;
    }
    return options;
}

namespace {

// The input in path, its table labelled label; a label that cannot be
// written is refused before the file is read.
LoadedFile ReadInput(const std::string& path, const std::string& label, const PictureOptions& options)
{
    if (path != kStandardInput)
        return LoadFile(path, label, PlatformPictureDecoder(), options);
    return LoadStream(ReadStandardInput, "bmp2cdata: cannot read standard input", label, PlatformPictureDecoder(),
                      options);
}

// ReadInput, with running out of memory as the complaint about this file: a
// picture too large for the memory left is refused as any other would be.
LoadedFile ReadInputWithinMemory(const std::string& path, const std::string& label, const PictureOptions& options)
{
    try {
        return ReadInput(path, label, options);
    } catch (const std::bad_alloc&) {
        return {std::string(kOutOfMemoryComplaint) + " to convert " +
                    (path == kStandardInput ? std::string("standard input") : path),
                label};
    }
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

// Reads every file; nothing when any is refused, each complaint then
// written. Each table is labelled label, or after its file.
std::optional<std::vector<Input>> ReadInputs(const std::vector<std::string>& paths,
                                             const std::optional<std::string>& label, const PictureOptions& options)
{
    std::vector<Input> inputs;
    std::vector<std::string> complaints;
    for (const std::string& path : paths) {
        LoadedFile file = ReadInputWithinMemory(path, label.value_or(LabelFromPath(path)), options);
        if (file.Complaint().empty())
            inputs.push_back({path, std::move(file)});
        else
            complaints.push_back(paths.size() > 1 ? path + ": " + file.Complaint() : file.Complaint());
    }
    for (std::string& clash : LabelClashes(paths))
        complaints.push_back(std::move(clash));
    for (const std::string& complaint : complaints)
        Complain(complaint);
    if (!complaints.empty())
        return std::nullopt;
    return inputs;
}

// Points out each label that BASIC would not take; its table is written all
// the same, as the user may mean to edit it.
void WarnOfLabelsThatAreNoBasicNames(const std::vector<Input>& inputs)
{
    for (const Input& input : inputs)
        if (!IsBasicName(input.file.Label()))
            Complain("bmp2cdata: warning: " + NotABasicNameWarning(input.file.Label()));
}

// Points out each table whose amount BASIC cannot read whole; it is written
// as it always was, since windows and scripts may rely on it.
void WarnOfAmountsBeyond16Bits(const std::vector<Input>& inputs)
{
    for (const Input& input : inputs)
        if (const std::optional<std::string> warning = input.file.Warning())
            Complain("bmp2cdata: warning: " + (inputs.size() > 1 ? input.path + ": " : std::string()) + *warning);
}

// The test card as the one input, labelled testcard or NAME.
std::vector<Input> TestCardInput(const Options& options)
{
    const std::string label = options.label.value_or(std::string(kTestCardLabel));
    LoadedFile card(LoadTestCard(*options.testCard, options.picture), label, options.picture);
    std::vector<Input> inputs;
    if (!card.Complaint().empty())
        Complain(card.Complaint());
    else
        inputs.push_back({{}, std::move(card)});
    return inputs;
}

// The complaint when an input is the output file itself, which writing would
// destroy; nothing otherwise.
std::optional<std::string> OutputOntoInput(const std::vector<Input>& inputs,
                                           const std::optional<FileIdentity>& output)
{
    for (const Input& input : inputs) {
        if (output && IdentityOf(input.path) == output)
            return input.path == kStandardInput ? "bmp2cdata: standard input is also the output file"
                                                : "bmp2cdata: input file " + input.path + " is also the output file";
    }
    return std::nullopt;
}

// Converts each input into one buffer, sized once for the longest run, and
// hands its table to write; stops at the first write that fails.
template <typename Write>
bool WriteEachTable(const std::vector<Input>& inputs, const Options& options, Write write)
{
    std::size_t longest = 0;
    for (const Input& input : inputs)
        longest = std::max(longest, input.file.OutputLength(options.rgb332, kLineEnd.size()));
    std::string buffer;
    buffer.reserve(longest);
    PrefaultCapacity(buffer);
    for (const Input& input : inputs) {
        buffer.clear();
        BufferHost host(options.rgb332, buffer, kLineEnd);
        input.file.Convert(host);
        // The bytes were accepted by the same decode, so the run always gives its table.
        if (!write(host.Clipboard().value()))
            return false;
    }
    return true;
}

// Builds every table first, then opens FILE as '>' does and puts the text in
// it, so that nothing is touched before the whole text is known.
int WriteTablesToFile(const std::vector<Input>& inputs, const Options& options)
{
    std::string text;
    WriteEachTable(inputs, options, [&text](std::string_view table) {
        text += table;
        return true;
    });
    const std::string& path = *options.outputPath;
    OutputFile file;
    std::string error;
    const bool opened = file.Open(path, error);
    if (const std::optional<std::string> onto = opened ? OutputOntoInput(inputs, file.Identity()) : std::nullopt) {
        Complain(*onto);
        return kExitRefused;
    }
    if (opened && file.Replace(text, error))
        return kExitConverted;
    Complain("bmp2cdata: cannot write " + path + ": " + error);
    return kExitRefused;
}

int Convert(const Options& options)
{
    const std::optional<std::vector<Input>> inputs =
        options.testCard ? TestCardInput(options) : ReadInputs(options.inputPaths, options.label, options.picture);
    if (!inputs || inputs->empty())
        return kExitRefused;
    WarnOfLabelsThatAreNoBasicNames(*inputs);
    WarnOfAmountsBeyond16Bits(*inputs);
    if (options.outputPath)
        return WriteTablesToFile(*inputs, options);
    // Standard output appended to an input ('>>') would add the table to the picture.
    if (const std::optional<std::string> onto = OutputOntoInput(*inputs, IdentityOfStandardOutput())) {
        Complain(*onto);
        return kExitRefused;
    }
    return StandardOutputStatus(WriteEachTable(*inputs, options, WriteStandardOutput));
}

// Runs with the arguments; returns the exit status.
int Run(const std::vector<std::string>& arguments)
{
    std::string problem;
    const std::optional<Options> options = ParseArguments(arguments, problem);
    if (!options) {
        // The problem and where to learn more, as GNU tools do: the whole
        // help would bury the one line that matters.
        Complain("bmp2cdata: " + problem);
        Complain("Try 'bmp2cdata --help' for more information.");
        return kExitUsage;
    }
    if (options->help)
        return StandardOutputStatus(WriteStandardOutput(WithLineEnds(kUsage)));
    if (options->version)
        return StandardOutputStatus(WriteStandardOutput(WithLineEnds(kVersion)));
    return Convert(*options);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments)
{
    // Reading is guarded file by file; this catches what the conversion into
    // the output buffer, or anything else, fails to allocate, rather than
    // letting the run abort.
    try {
        return Run(arguments);
    } catch (const std::bad_alloc&) {
        Complain(kOutOfMemoryComplaint);
        return kExitRefused;
    }
}
