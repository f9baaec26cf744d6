// Which files the converter refuses, with which one line, and in what order
// the rules apply.

#include "BmpHeader.h"
#include "BmpDecode.h"
#include "BmpFile.h"
#include "ConvertBmpFile.h"
#include "support/BmpBuilder.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace bmp2cdata;

namespace {

struct RunResult {
    bool opened;
    std::vector<std::string> lines;
    int copies;
};

RunResult RunConversion(const std::string& path)
{
    RecordingHost host;
    const bool opened = ConvertBmpFile(host, path);
    return {opened, host.lines, host.copies};
}

void ExpectComplaint(const std::string& path, const std::string& complaint)
{
    const RunResult result = RunConversion(path);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.lines, std::vector<std::string>{complaint});
    EXPECT_EQ(result.copies, 0);
}

// A file of exactly `length` bytes whose header claims a tiny 24-bit image.
std::vector<std::uint8_t> FileOfLength(std::size_t length)
{
    std::vector<std::uint8_t> bytes = BuildBmp({.width = 1, .height = 1});
    bytes.resize(length);
    return bytes;
}

TEST(HeaderCheck, SizeLimitIsOnPixelDataLength)
{
    ScratchFolder folder;
    const std::string atLimit = folder.WriteBytes("limit.bmp", FileOfLength(54 + 228723));
    const RunResult accepted = RunConversion(atLimit);
    EXPECT_EQ(accepted.copies, 1);
    // The line quotes a figure of its own, not the limit tested.
    ExpectComplaint(folder.WriteBytes("over.bmp", FileOfLength(54 + 228724)),
                    "This file is too large. Maximum supported size is :230400");
}

TEST(HeaderCheck, PixelCountIsBoundByTheBuffer)
{
    ScratchFolder folder;
    // A header may claim the whole buffer (the short file is then merely
    // incomplete), but not one pixel more.
    auto bytes = BuildBmp({.width = 1, .height = 1});
    PutLittleEndian(bytes, 18, 76242, 4);
    ExpectComplaint(folder.WriteBytes("full.bmp", bytes), kIncompleteComplaint);
    PutLittleEndian(bytes, 18, 76243, 4);
    ExpectComplaint(folder.WriteBytes("count.bmp", bytes), kImageSizeComplaint);
    // Counts whose 32-bit product wraps to a small number are refused too.
    PutLittleEndian(bytes, 18, 65536, 4);
    PutLittleEndian(bytes, 22, 65537, 4);
    ExpectComplaint(folder.WriteBytes("wrap.bmp", bytes), kImageSizeComplaint);
    // The largest square image the length limit admits, rows unpadded.
    EXPECT_TRUE(DecodeBmp(BuildBmp({.width = 276, .height = 276})).Converts());
}

TEST(HeaderCheck, TruncatedPixelDataIsRefused)
{
    ScratchFolder folder;
    auto bytes = BuildBmp({.width = 3, .height = 2});  // rows of 9 bytes padded to 12
    // The last row's padding may be missing...
    bytes.resize(bytes.size() - 3);
    EXPECT_TRUE(DecodeBmp(bytes).Converts());
    // ...but not one byte of a pixel.
    bytes.resize(bytes.size() - 1);
    ExpectComplaint(folder.WriteBytes("short.bmp", bytes), kIncompleteComplaint);
    // An offset past the end of the file leaves no pixels at all.
    auto offset = BuildBmp({.width = 1, .height = 1});
    PutLittleEndian(offset, 10, 0xFFFFFFF0u, 4);
    ExpectComplaint(folder.WriteBytes("offset.bmp", offset), kIncompleteComplaint);
    // Bytes a caller could not supply (the file shrank) are missing too.
    const std::vector<std::uint8_t> logo = BuildBmp({.width = 4, .height = 5});
    EXPECT_EQ(DecodeBmp(std::span(logo).first(60), std::ssize(logo)).complaint, kIncompleteComplaint);
}

TEST(HeaderCheck, FilesOverTheSizeLimitAreJudgedOnTheirHeaderAlone)
{
    ScratchFolder folder;
    const std::string large = folder.Write("large.bmp", {.width = 2000, .height = 1000});
    const std::optional<BmpFileBytes> contents = ReadBmpFile(large);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->bytes.size(), kBmpHeaderBytes);
    EXPECT_EQ(contents->length, 54 + 2000 * 3 * 1000);
    ExpectComplaint(large, kTooLargeComplaint);
}

TEST(HeaderCheck, ShortFilesReadMissingBytesAsZero)
{
    ScratchFolder folder;
    // Zero bit count: the type complaint, for an empty file as for a cut header.
    ExpectComplaint(folder.WriteBytes("empty.bmp", std::vector<std::uint8_t>{}), kBitCountComplaint);
    ExpectComplaint(folder.WriteBytes("cut.bmp", FileOfLength(28)), kBitCountComplaint);
    // Bit count present, compression missing (zero), no pixels: an empty table.
    auto cut = FileOfLength(30);
    PutLittleEndian(cut, 18, 0, 4);
    const RunResult result = RunConversion(folder.WriteBytes("header.bmp", cut));
    EXPECT_EQ(result.copies, 1);
    EXPECT_EQ(result.lines.at(4), "    Cdata as Word 0, 4294967295, 0,_   ' Amount, (Width - 1) , (Height - 1)");
}

TEST(HeaderCheck, SignatureIsNotChecked)
{
    ScratchFolder folder;
    const std::string path = folder.Write("gif.bmp", {.width = 2, .height = 2, .signature = 0x4947});
    EXPECT_EQ(RunConversion(path).copies, 1);
}

TEST(HeaderCheck, PathsThatAreNotReadableFilesAreNotFound)
{
    ScratchFolder folder;
    std::vector<std::string> paths = {(folder.Path() / "missing.bmp").string(), folder.Path().string(), ""};
#ifdef _WIN32
    paths.push_back("NUL");  // a device
#else
    const std::string fifo = (folder.Path() / "fifo.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // opening it must not wait for a writer
    const std::string locked = folder.Write("locked.bmp", {.width = 1, .height = 1});
    chmod(locked.c_str(), 0);
    paths.insert(paths.end(), {fifo, "/dev/null"});
    if (geteuid() != 0)  // the superuser reads any file
        paths.push_back(locked);
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const RunResult result = RunConversion(path);
        EXPECT_FALSE(result.opened);
        EXPECT_EQ(result.lines, std::vector<std::string>{"Could not find file " + path});
    }
}

}  // namespace
