// The command-line host as a build script sees it: streams, files and exit
// statuses.

#include "support/BmpBuilder.h"
#include "support/Process.h"
#include "support/WorkedExamples.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const std::string kProgram = BMP2CDATA_CLI;

class CommandLine : public ::testing::Test {
protected:
    ProcessResult Run(const std::string& arguments)
    {
        return RunProcess(folder, ShellQuote(kProgram) + " " + arguments);
    }
    std::string Logo(Rgb colour)
    {
        return folder.Write("logo.bmp", {.width = 4, .height = 5,
                                         .colour = [colour](int, int) { return colour; }});
    }

    ScratchFolder folder;
};

TEST_F(CommandLine, PrintsTheClipboardTextOfBothTables)
{
    const ProcessResult words = Run(ShellQuote(Logo({255, 255, 255})));
    EXPECT_EQ(words.status, 0);
    EXPECT_EQ(words.out, kWhiteLogoWordTable);
    EXPECT_EQ(words.err, "");

    const ProcessResult bytes = Run("--rgb332 " + ShellQuote(Logo({255, 0, 0})));
    EXPECT_EQ(bytes.status, 0);
    EXPECT_EQ(bytes.out, kRedLogoByteTable);
}

TEST_F(CommandLine, WritesTheOutputFileWhole)
{
    const std::string output = (folder.Path() / "logo.bas").string();
    const ProcessResult result = Run("-o " + ShellQuote(output) + " " + ShellQuote(Logo({255, 255, 255})));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadText(output), kWhiteLogoWordTable);
    // Nothing is left behind but the output and the image.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}

TEST_F(CommandLine, ComplaintsLeaveTheOutputFileAlone)
{
    const std::string output = folder.WriteBytes("keep.bas", std::vector<std::uint8_t>{'o', 'l', 'd'});
    const std::string image = folder.Write("eight.bmp", {.bitCount = 8});
    const ProcessResult result = Run("-o " + ShellQuote(output) + " " + ShellQuote(image));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Incorrect image type. The BMP file must be a 24-bit, uncompressed type\n");
    EXPECT_EQ(ReadText(output), "old");
}

TEST_F(CommandLine, MissingFileIsNamedAsGiven)
{
    const ProcessResult result = Run("./no/such.bmp");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Could not find file ./no/such.bmp\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(CommandLine, UnwritableOutputIsReportedAsAFailure)
{
    const std::string output = (folder.Path() / "missing-folder" / "out.bas").string();
    const ProcessResult result = Run("-o " + ShellQuote(output) + " " + ShellQuote(Logo({0, 0, 0})));
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with("bmp2cdata: cannot write " + output + ": ")) << result.err;
    const ProcessResult full = RunProcess(
        folder, "(" + ShellQuote(kProgram) + " " + ShellQuote(Logo({0, 0, 0})) + " >/dev/full)");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "bmp2cdata: cannot write standard output\n");
}

TEST_F(CommandLine, ReplacedOutputKeepsItsPermissions)
{
    const std::string output = folder.WriteBytes("shared.bas", std::vector<std::uint8_t>{'x'});
    chmod(output.c_str(), 0640);
    EXPECT_EQ(Run("-o " + ShellQuote(output) + " " + ShellQuote(Logo({0, 0, 0}))).status, 0);
    struct stat status {};
    stat(output.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(CommandLine, UsageErrorsExitWithTwo)
{
    for (const std::string arguments : {"", "--bogus a.bmp", "a.bmp b.bmp", "-o", "-o x -o y a.bmp"}) {
        SCOPED_TRACE(arguments);
        const ProcessResult result = Run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("Usage: bmp2cdata [--rgb332] [-o FILE] BMPFILE"), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CommandLine, HelpAndVersionGoToStandardOutput)
{
    const ProcessResult help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: bmp2cdata")) << help.out;
    const ProcessResult version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("bmp2cdata ")) << version.out;
}

TEST_F(CommandLine, DoubleDashAllowsFileNamesStartingWithADash)
{
    folder.Write("-logo.bmp", {.width = 1, .height = 1});
    const ProcessResult result = RunProcess(
        folder, "cd " + ShellQuote(folder.Path().string()) + " && " + ShellQuote(kProgram) + " -- -logo.bmp");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("\n-logo:-\n"), std::string::npos) << result.out;
}

}  // namespace
