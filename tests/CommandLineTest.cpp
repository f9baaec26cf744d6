// The command-line host as a build script sees it: streams, files and exit
// statuses.

#include "BmpHeader.h"
#include "CommandLine.h"
#include "Label.h"
#include "PictureFormat.h"
#include "Platform.h"
#include "support/BmpBuilder.h"
#include "support/PngBuilder.h"
#include "support/Process.h"
#include "support/WorkedExamples.h"

#ifndef _WIN32
#include "support/JpegBuilder.h"
#endif

#include <gtest/gtest.h>

#ifdef _WIN32
#include <aclapi.h>
#include <sddl.h>
#else
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

using namespace bmp2cdata;

namespace fs = std::filesystem;

namespace {

// Wine sees the Linux file system as drive Z:.
std::string NativePath(std::string path)
{
#ifdef _WIN32
    if (path.starts_with('/')) {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
#endif
    return path;
}

const std::string kProgram = NativePath(BMP2CDATA_CLI);

// The text as the program writes it on this platform: CR LF on Windows.
std::string WithLineEnds(const std::string& text)
{
#ifdef _WIN32
    std::string converted;
    for (const char c : text)
        converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
#else
    return text;
#endif
}

std::string Relabelled(const std::string& table, const std::string& label)
{
    std::string relabelled = table;
    return relabelled.replace(relabelled.find("logo:-"), 4, label);
}

class CommandLine : public ::testing::Test {
protected:
    ProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "")
    {
        return RunProgram(folder, kProgram, arguments, input);
    }
    // A 4 x 5 image of one colour: the worked examples' picture under any name.
    std::string Logo(Rgb colour, const std::string& name = "logo.bmp")
    {
        folder.Write(name, {.width = 4, .height = 5, .colour = [colour](int, int) { return colour; }});
        return name;
    }
    // The same 4 x 5 picture as a PNG, RGBA, every pixel of one alpha.
    std::string LogoPng(Rgb colour, std::uint8_t alpha = 0xFF, const std::string& name = "logo.png")
    {
        const std::uint16_t samples[] = {colour.red, colour.green, colour.blue, alpha};
        folder.WriteBytes(name, BuildPng({.width = 4, .height = 5, .colourType = kPngRgba,
                                          .sample = [&](std::uint32_t, std::uint32_t, int channel) {
                                              return samples[channel];
                                          }}));
        return name;
    }
    std::string Old(const std::string& name) { return folder.WriteBytes(name, {'o', 'l', 'd'}); }

    ScratchFolder folder;
    const std::string white = WithLineEnds(kWhiteLogoWordTable);
};

TEST_F(CommandLine, PrintsTheClipboardTextOfBothTables)
{
    const ProcessResult words = Run({Logo({255, 255, 255})});
    EXPECT_EQ(words.status, 0);
    EXPECT_EQ(words.out, white);
    EXPECT_EQ(words.err, "");
    const ProcessResult bytes = Run({"--rgb332", Logo({255, 0, 0})});
    EXPECT_EQ(bytes.status, 0);
    EXPECT_EQ(bytes.out, WithLineEnds(kRedLogoByteTable));
}

TEST_F(CommandLine, WritesTheTablesOfSeveralFilesInTheirOrderReplacingTheOutputFileWhole)
{
    const std::string expected = Relabelled(white, "icon") + white;
    const ProcessResult printed = Run({Logo({255, 255, 255}, "icon.bmp"), Logo({255, 255, 255})});
    EXPECT_EQ(printed.status, 0);
    EXPECT_EQ(printed.out, expected);
    const std::string output = Old("all.bas");
    const ProcessResult written = Run({"-o", "all.bas", "icon.bmp", "logo.bmp"});
    EXPECT_EQ(written.status, 0);
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(ReadText(output), expected);
    // Nothing is left behind but the output and the pictures.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 3);
}

TEST_F(CommandLine, AnyRefusedFileWritesNothingAndNamesEachRefusal)
{
    const std::string output = Old("keep.bas");
    folder.Write("eight.bmp", {.bitCount = 8});
    for (const bool toFile : {false, true}) {
        std::vector<std::string> arguments = {Logo({0, 0, 0}), "eight.bmp", "gone.bmp"};
        if (toFile)
            arguments.insert(arguments.begin(), {"-o", "keep.bas"});
        const ProcessResult result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, WithLineEnds("eight.bmp: " + kBitCountComplaint + "\n"
                                           "gone.bmp: Could not find file gone.bmp\n"));
        EXPECT_EQ(ReadText(output), "old");
    }
    // A single file's complaint is the conversion's own line.
    EXPECT_EQ(Run({"eight.bmp"}).err, WithLineEnds(kBitCountComplaint + "\n"));
    // A picture of a format that is not read is named, whatever the options.
    folder.WriteBytes("moving.webp", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'});
    EXPECT_EQ(Run({"--fit", "16x16", "moving.webp"}).err,
              WithLineEnds("This file is a WebP picture; BMP, PNG and JPEG are read\n"));
}

TEST_F(CommandLine, FilesThatWouldDefineTheSameLabelAreRefused)
{
    fs::create_directories(folder.Path() / "a");
    fs::create_directories(folder.Path() / "b");
    const ProcessResult result = Run({Logo({0, 0, 0}, "a/logo.bmp"), Logo({0, 0, 0}, "b/Logo.bmp")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              WithLineEnds("bmp2cdata: the label logo would be defined twice, by a/logo.bmp and by b/Logo.bmp\n"));
}

TEST_F(CommandLine, NonAsciiNamesConvertAndLabelTheTable)
{
    const std::u8string name = u8"Zürich-Ω";
    fs::rename(folder.Path() / Logo({255, 255, 255}), folder.Path() / (name + u8".bmp"));
    const std::string utf8(name.begin(), name.end());
    const ProcessResult result = Run({"-o", utf8 + ".bas", utf8 + ".bmp"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadText(folder.Path() / (name + u8".bas")), Relabelled(white, utf8));
}

TEST_F(CommandLine, UnwritableOutputIsReportedAsAFailure)
{
    const std::string output = (fs::path("missing-folder") / "out.bas").string();
    const ProcessResult result = Run({"-o", output, Logo({0, 0, 0})});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with("bmp2cdata: cannot write " + output + ": ")) << result.err;
}

TEST_F(CommandLine, LabelsThatAreNoBasicNamesConvertWithAWarning)
{
    const std::string warning = "is not a BASIC name (ASCII letters, digits and _, starting with a letter)\n";
    const ProcessResult result = Run({Logo({255, 255, 255}, "my logo.bmp"), Logo({255, 255, 255}, "2nd-pic.bmp"),
                                      Logo({255, 255, 255}, ".bmp"), Logo({255, 255, 255}, "Logo_2.bmp")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Relabelled(white, "my logo") + Relabelled(white, "2nd-pic") + Relabelled(white, "") +
                              Relabelled(white, "Logo_2"));
    EXPECT_EQ(result.err, WithLineEnds("bmp2cdata: warning: the label \"my logo\" " + warning +
                                       "bmp2cdata: warning: the label \"2nd-pic\" " + warning +
                                       "bmp2cdata: warning: the label \"\" " + warning));
}

TEST_F(CommandLine, StandardInputIsReadAsAFileOnceALabelNamesIt)
{
    // Judged by its first bytes, as a file is.
    for (const std::string& picture : {Logo({255, 255, 255}), LogoPng({255, 255, 255})}) {
        const ProcessResult result = Run({"--label", "piped", "-"}, picture);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, Relabelled(white, "piped")) << picture;
    }
    folder.Write("eight.bmp", {.bitCount = 8});
    const ProcessResult refused = Run({"--label", "piped", "-"}, "eight.bmp");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, WithLineEnds(kBitCountComplaint + "\n"));
}

TEST_F(CommandLine, OutputOntoAnInputIsRefusedBeforeAnythingIsWritten)
{
    const std::string picture = ReadText(folder.Path() / Logo({255, 255, 255}));
    fs::create_hard_link(folder.Path() / "logo.bmp", folder.Path() / "same.bmp");
    for (const std::string output : {"logo.bmp", "same.bmp"}) {
        const ProcessResult result = Run({"-o", output, Logo({0, 0, 0}, "other.bmp"), "logo.bmp"});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, WithLineEnds("bmp2cdata: input file logo.bmp is also the output file\n"));
        EXPECT_EQ(ReadText(folder.Path() / "logo.bmp"), picture);
    }
}

TEST_F(CommandLine, UsageErrorIsSaidInOneLineWithAPointerToTheHelpAndExitsWithTwo)
{
    const ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with(WithLineEnds("Usage: bmp2cdata [OPTION]... PICTURE..."))) << help.out;
    const ProcessResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("bmp2cdata ")) << version.out;
    const ProcessResult wrong = Run({"--bogus", "a.bmp"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err,
              WithLineEnds("bmp2cdata: unknown option --bogus\nTry 'bmp2cdata --help' for more information.\n"));
    EXPECT_EQ(wrong.out, "");
}

TEST_F(CommandLine, APlainBmpOverOneTableKeepsItsTableWithAWarningAndSplitsOnRequest)
{
    folder.Write("big.bmp", {.width = 276, .height = 276});
    const ProcessResult plain = Run({"big.bmp"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.out.find(WithLineEnds("big:-\n    Cdata as Word 76176, 275, 275,")), std::string::npos);
    EXPECT_EQ(plain.err, WithLineEnds("bmp2cdata: warning: 76176 pixels do not fit the table's 16-bit amount; "
                                      "BASIC may read it as 10640\n"));
    const ProcessResult split = Run({"--split", "big.bmp"});
    EXPECT_EQ(split.err, "");
    EXPECT_NE(split.out.find(WithLineEnds("big_2:-\n    Cdata as Word 38088, 275, 137,")), std::string::npos);
    const ProcessResult refused = Run({"--bgr", "big.bmp"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
}

TEST_F(CommandLine, TheTestCardForABgrPanelHasItsFirstBarInBluesBits)
{
    const ProcessResult card = Run({"--test-card", "320x240", "--bgr", "--split"});
    ASSERT_EQ(card.status, 0) << card.err;
    // The last line of row 1 holds columns 15 down to 0: the first bar, red
    // in blue's bits, then the frame's white.
    std::istringstream lines(card.out.substr(card.out.find("testcard_1:-")));
    std::string line;
    for (int skipped = 0; skipped < 2 + 40; ++skipped)
        std::getline(lines, line);
    std::string expected = "          ";
    for (int column = 15; column >= 1; --column)
        expected += "$001F,";
    EXPECT_EQ(line.substr(0, line.find('\r')), expected + "$FFFF,_");
    EXPECT_NE(card.out.find("testcard_2:-"), std::string::npos);
}

// What the options ask for, in one line: the flags, then "|" and the pictures.
std::string Summary(const Options& options)
{
    std::string text;
    const auto add = [&text](const std::string& part) { text += part + " "; };
    const PictureOptions& picture = options.picture;
    for (const auto& [set, name] :
         {std::pair{options.rgb332, "rgb332"}, {options.help, "help"}, {options.version, "version"},
          {picture.dither == Dither::FloydSteinberg, "dither"}, {picture.dither == Dither::Ordered, "ordered"},
          {picture.mirror, "mirror"}, {picture.bgr, "bgr"}, {picture.split, "split"}})
        if (set)
            add(name);
    if (options.outputPath)
        add("-o " + *options.outputPath);
    if (options.label)
        add("label " + *options.label);
    constexpr const char* kSizings[] = {"fit", "fill", "pad"};
    if (const auto box = picture.box)
        add(std::string(kSizings[int(picture.sizing)]) + " " + std::to_string(box->width) + "x" +
            std::to_string(box->height));
    if (picture.quarterTurns != 0)
        add("turns " + std::to_string(picture.quarterTurns));
    if (options.testCard)
        add("card " + std::to_string(options.testCard->width) + "x" + std::to_string(options.testCard->height));
    const RgbColour back = options.picture.background;
    add("on " + std::to_string(back.red) + "," + std::to_string(back.green) + "," + std::to_string(back.blue) + " |");
    for (const std::string& path : options.inputPaths)
        add(path);
    return text;
}

TEST(ParseArguments, TakesEachOptionAndEveryPictureInOrder)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"a.bmp"}, "on 0,0,0 | a.bmp "},
        {{"--rgb332", "-o", "out.bas", "a.bmp", "b.bmp"}, "rgb332 -o out.bas on 0,0,0 | a.bmp b.bmp "},
        {{"--label", "Splash", "-"}, "label Splash on 0,0,0 | - "},
        {{"--fit", "160X128", "--dither", "--background", "#ff8000", "a.png"}, "dither fit 160x128 on 255,128,0 | a.png "},
        {{"a.png", "--background", "0080FF"}, "on 0,128,255 | a.png "},
        {{"--fill", "4096x1", "--rotate", "270", "--mirror", "--bgr", "--split", "a.png"},
         "mirror bgr split fill 4096x1 turns 3 on 0,0,0 | a.png "},
        {{"--pad", "1x4096", "--dither=ordered", "--rotate", "90", "a.png"}, "ordered pad 1x4096 turns 1 on 0,0,0 | a.png "},
        {{"--dither=fs", "--test-card", "320x240"}, "dither card 320x240 on 0,0,0 | "},
        {{"--", "-logo.bmp", "--rgb332", "--help"}, "on 0,0,0 | -logo.bmp --rgb332 --help "},
        {{"--help"}, "help on 0,0,0 | "},
        {{"-h"}, "help on 0,0,0 | "},
        {{"--version"}, "version on 0,0,0 | "},
#ifdef _WIN32
        {{"/?"}, "help on 0,0,0 | "},
#else
        {{"/?"}, "on 0,0,0 | /? "},
#endif
    };
    for (const auto& [arguments, summary] : cases) {
        std::string problem;
        const std::optional<Options> options = ParseArguments(arguments, problem);
        ASSERT_TRUE(options) << arguments[0] << ": " << problem;
        EXPECT_EQ(Summary(*options), summary);
    }
}

TEST(ParseArguments, NamesWhatIsWrongWithArgumentsThatMakeNoSense)
{
    const std::string colour = "--background needs a colour of six hexadecimal digits such as FF8000 or #FF8000";
    const std::string label =
        "--label: a name holding control characters, line breaks or invalid characters cannot label the table";
    const std::string standardInput = "reading standard input (-) needs --label NAME";
    const std::string fit = "--fit needs a width and a height such as 160x128";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no picture given"},
        {{"--rgb332"}, "no picture given"},
        {{"--bogus", "a.bmp"}, "unknown option --bogus"},
        {{"-o"}, "-o needs a file name"},
        {{"-o", "x", "-o", "y", "a.bmp"}, "-o given twice"},
        {{"--label"}, "--label needs a name"},
        {{"--label", "x", "--label", "y", "a.bmp"}, "--label given twice"},
        {{"--label", "x", "a.bmp", "b.bmp"}, "--label names the table of a single picture"},
        {{"--label", "a\nb", "a.bmp"}, label},
        {{"--label", "a\xFF", "a.bmp"}, label},
        {{"-"}, standardInput},
        {{"a.bmp", "-"}, standardInput},
        {{"--fit"}, "--fit needs a value"},
        {{"--fit", "160", "a.png"}, fit},
        {{"--fit", "4097x1", "a.png"}, "--fit 4097x1: W and H must be at most 4096"},
        {{"--fill", "0x5", "a.png"}, "--fill needs a width and a height such as 160x128"},
        {{"--pad", "-5x5", "a.png"}, "--pad needs a width and a height such as 160x128"},
        {{"--fit", "9x9", "--pad", "9x9", "a.png"}, "only one of --fit, --fill and --pad can be given"},
        {{"--fill", "9x9", "--fill", "9x9", "a.png"}, "only one of --fit, --fill and --pad can be given"},
        {{"--rotate", "45", "a.png"}, "--rotate takes 90, 180 or 270"},
        {{"--rotate", "-90", "a.png"}, "--rotate takes 90, 180 or 270"},
        {{"--dither=bayer", "a.png"}, "--dither= takes ordered or fs"},
        {{"--test-card", "320x240", "a.png"}, "--test-card takes no PICTURE"},
        {{"--test-card", "5000x10"}, "--test-card 5000x10: W and H must be at most 4096"},
        {{"--test-card", "9x9", "--test-card", "9x9"}, "--test-card given twice"},
        {{"--background"}, "--background needs a value"},
        {{"--background", "FFF", "a.png"}, colour},
        {{"--background", "GG0000", "a.png"}, colour},
        {{"--background", "#FFF", "a.png"}, colour},
        {{"--background", "##FF8000", "a.png"}, colour},
        {{"--background", "#FF80000", "a.png"}, colour},
        {{"--background", "FF8000#", "a.png"}, colour},
        {{"--background", "#", "a.png"}, colour},
    };
    for (const auto& [arguments, complaint] : cases) {
        std::string problem;
        EXPECT_FALSE(ParseArguments(arguments, problem));
        EXPECT_EQ(problem, complaint);
    }
}

TEST(EscapeForTerminal, SpellsEachByteOfAControlSeparatorBidirectionalControlOrInvalidSequence)
{
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xC3\xA9 \xE6\x97\xA5 \xC2\xA0.png", "caf\xC3\xA9 \xE6\x97\xA5 \xC2\xA0.png"},
        {"a\nb\tc\rd\x1B" "e\x7F", "a\\nb\\tc\\rd\\x1Be\\x7F"},
        {"\xC2\x80|\xC2\x9F", "\\xC2\\x80|\\xC2\\x9F"},
        {"\xE2\x80\xA8|x\xE2\x80\xAEgnp.exe", "\\xE2\\x80\\xA8|x\\xE2\\x80\\xAEgnp.exe"},
        {"\xFF|\xC0\xAF|\xED\xA0\x80|\x80", "\\xFF|\\xC0\\xAF|\\xED\\xA0\\x80|\\x80"},
        {"cut\xE6\x97" "a\xF0\x9F\x98", "cut\\xE6\\x97a\\xF0\\x9F\\x98"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(EscapeForTerminal(text), escaped);
    // A backslash separates folders on Windows; elsewhere it is escaped, so
    // that an escape in a name is told from one made here.
#ifdef _WIN32
    EXPECT_EQ(EscapeForTerminal("a\\x1B"), "a\\x1B");
#else
    EXPECT_EQ(EscapeForTerminal("a\\x1B"), "a\\\\x1B");
#endif
}

#ifndef _WIN32

TEST_F(CommandLine, APhotoIsFittedAndDitheredIntoAByteTable)
{
    folder.WriteBytes("photo.jpg", BuildJpeg(640, 480, [](int column, int row) {
        return Rgb{std::uint8_t(column * 255 / 639), std::uint8_t(row * 255 / 479), 90};
    }, true));
    const ProcessResult result = Run({"--fit", "160x128", "--dither", "--rgb332", "photo.jpg"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\nphoto:-\n    Cdata as Byte 0, 75, 159, 0, 119, 0,_"), std::string::npos)
        << result.out.substr(0, 300);
}

TEST_F(CommandLine, OutputThatCannotBeWrittenFailsEvenForHelp)
{
    const std::string program = ShellQuote(kProgram);
    Logo({0, 0, 0});
    for (const std::string arguments : {"logo.bmp", "--help", "--version"}) {
        const ProcessResult full = RunProcess(folder, program + " " + arguments + " >/dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_EQ(full.err, "bmp2cdata: cannot write standard output\n");
    }
}

TEST_F(CommandLine, RunningOutOfMemoryRefusesThePictureInOneLine)
{
#ifdef BMP2CDATA_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#endif
    // Interlaced, the 9 MB file is decoded whole into 36 MB of RGBA. The
    // program starts within 2 MB, so the limit leaves room to read the file
    // and none to decode it.
    constexpr std::uint32_t kSide = 3000;
    const std::string limit = "ulimit -v 30000; " + ShellQuote(kProgram) + " --fit 160x128 ";
    folder.WriteBytes("big.png", BuildPng({.width = kSide, .height = kSide, .colourType = kPngGrey,
                                           .interlaced = true}));
    EXPECT_EQ(Run({"--fit", "160x128", "big.png"}).status, 0);
    const ProcessResult alone = RunProcess(folder, limit + "big.png");
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err, "bmp2cdata: not enough memory to convert big.png\n");
    EXPECT_EQ(RunProcess(folder, limit + Logo({0, 0, 0}) + " big.png").err,
              "big.png: bmp2cdata: not enough memory to convert big.png\n");
}

TEST_F(CommandLine, FileNamesHoldingControlCharactersAreRefused)
{
    const std::string name = Logo({0, 0, 0}, "x\nPrint \"injected\"\n'.bmp");
    const ProcessResult alone = Run({name});
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.out, "");
    EXPECT_EQ(alone.err, kSourceBreakingLabelComplaint + "\n");
    const ProcessResult several = Run({Logo({0, 0, 0}), name});
    EXPECT_EQ(several.status, 1);
    EXPECT_EQ(several.err, "x\\nPrint \"injected\"\\n'.bmp: " + kSourceBreakingLabelComplaint + "\n");
}

TEST_F(CommandLine, ALabelOptionConvertsAFileWhoseNameHoldsAControlCharacter)
{
    for (const std::string& name : {Logo({255, 255, 255}, "a\nb.bmp"), LogoPng({255, 255, 255}, 0xFF, "a\nb.png")}) {
        const ProcessResult result = Run({"--label", "good", name});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, Relabelled(white, "good")) << name;
    }
}

TEST_F(CommandLine, EndlessStandardInputIsRefusedAsTooLargeWithoutReadingItAll)
{
    Logo({255, 255, 255});
    const ProcessResult result = RunProcess(
        folder, "{ head -c 54 logo.bmp; cat /dev/zero; } | timeout 10 " + ShellQuote(kProgram) + " --label x -");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, kTooLargeComplaint + "\n");
}

TEST_F(CommandLine, OutputReachingAnInputThroughALinkOrStandardInputIsRefused)
{
    const std::string picture = ReadText(folder.Path() / Logo({255, 255, 255}));
    fs::create_symlink("logo.bmp", folder.Path() / "link.bas");
    EXPECT_EQ(Run({"-o", "link.bas", "logo.bmp"}).err, "bmp2cdata: input file logo.bmp is also the output file\n");
    EXPECT_EQ(Run({"-o", "logo.bmp", "--label", "x", "-"}, "logo.bmp").err,
              "bmp2cdata: standard input is also the output file\n");
    EXPECT_EQ(ReadText(folder.Path() / "logo.bmp"), picture);
    const std::string program = ShellQuote(kProgram);
    for (const std::string& run : {program + " logo.bmp >>logo.bmp", program + " -o /proc/self/fd/3 logo.bmp 3<logo.bmp"}) {
        const ProcessResult result = RunProcess(folder, run);
        EXPECT_EQ(result.status, 1) << run;
        EXPECT_EQ(result.err, "bmp2cdata: input file logo.bmp is also the output file\n") << run;
        EXPECT_EQ(ReadText(folder.Path() / "logo.bmp"), picture) << run;
    }
}

TEST_F(CommandLine, AClosedStandardErrorTakesNoFileInItsPlace)
{
    // The refusal would otherwise go into the file the program opened in
    // standard error's place: the picture.
    const std::string picture = ReadText(folder.Path() / Logo({255, 255, 255}));
    const ProcessResult result = RunProcess(folder, ShellQuote(kProgram) + " -o logo.bmp logo.bmp 2>&-");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadText(folder.Path() / "logo.bmp"), picture);
}

#endif

}  // namespace
