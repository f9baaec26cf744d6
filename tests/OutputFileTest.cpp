// The output file on its own: what it keeps of the file it writes, and what
// it refuses before that file loses anything.

#include "OutputFile.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const std::string kOld = "old text, longer than the new";
const std::string kNew = "new text";

// Opens path and replaces its text; the error, empty when all went well.
std::string Replace(const fs::path& path, std::string_view text)
{
    OutputFile file;
    std::string error;
    if (file.Open(path.string(), error))
        file.Replace(text, error);
    return error;
}

#ifdef _WIN32

TEST(OutputFile, StaysTheSameFileKeepingItsHiddenAttributeAndHardLinks)
{
    ScratchFolder folder;
    const fs::path output = folder.Path() / "out.bas";
    folder.WriteBytes("out.bas", {kOld.begin(), kOld.end()});
    ASSERT_TRUE(SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_HIDDEN));
    fs::create_hard_link(output, folder.Path() / "twin.bas");
    const std::optional<FileIdentity> before = IdentityOf(output.string());
    EXPECT_EQ(Replace(output, kNew), "");
    EXPECT_EQ(ReadText(folder.Path() / "twin.bas"), kNew);
    EXPECT_EQ(IdentityOf(output.string()), before);
    EXPECT_EQ(GetFileAttributesW(output.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});
}

TEST(OutputFile, AReadOnlyFileIsRefused)
{
    ScratchFolder folder;
    const fs::path output = folder.WriteBytes("out.bas", {kOld.begin(), kOld.end()});
    ASSERT_TRUE(SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY));
    // The system words it: "Access is denied", or "Access denied" in Wine.
    EXPECT_NE(Replace(output, kNew), "");
    EXPECT_EQ(ReadText(output), kOld);
    SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
}

#else

constexpr uid_t kNobody = 65534;

struct stat Status(const fs::path& path)
{
    struct stat status {};
    stat(path.c_str(), &status);
    return status;
}

class OutputFileTest : public ::testing::Test {
protected:
    fs::path Old(const std::string& name) const { return folder.WriteBytes(name, {kOld.begin(), kOld.end()}); }
    ScratchFolder folder;
};

TEST_F(OutputFileTest, StaysTheSameFileKeepingItsLinksModeAndAttributes)
{
    const fs::path output = Old("out.bas");
    fs::create_hard_link(output, folder.Path() / "twin.bas");
    chmod(output.c_str(), 0640);
    const bool attributes = setxattr(output.c_str(), "user.origin", "camera", 6, 0) == 0;
    const ino_t before = Status(output).st_ino;
    EXPECT_EQ(Replace(output, kNew), "");
    EXPECT_EQ(ReadText(folder.Path() / "twin.bas"), kNew);
    EXPECT_EQ(Status(output).st_ino, before);
    EXPECT_EQ(Status(output).st_mode & 07777, 0640u);
    char origin[16] = {};
    if (attributes) {
        EXPECT_EQ(getxattr(output.c_str(), "user.origin", origin, sizeof origin), 6);
    }
}

TEST_F(OutputFileTest, NewFilesGetTheShellsModeAndWrittenOnesLoseSetIdBits)
{
    const mode_t umaskBefore = umask(0);
    EXPECT_EQ(Replace(folder.Path() / "new.bas", kNew), "");
    umask(umaskBefore);
    EXPECT_EQ(Status(folder.Path() / "new.bas").st_mode & 07777, 0666u);
    for (const mode_t mode : {mode_t{04755}, mode_t{02775}, mode_t{06700}}) {
        chmod(Old("program").c_str(), mode);
        EXPECT_EQ(Replace(folder.Path() / "program", kNew), "");
        EXPECT_EQ(Status(folder.Path() / "program").st_mode & 07777, mode & 0777) << std::oct << mode;
    }
}

TEST_F(OutputFileTest, AFileSizeLimitRefusesBeforeTheCut)
{
    const fs::path output = Old("out.bas");
    struct rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    struct rlimit limit = before;
    limit.rlim_cur = 4;
    // Past the limit a write would end the process rather than fail.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string error = Replace(output, kNew);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(error, "File too large");
    EXPECT_EQ(ReadText(output), kOld);
}

TEST_F(OutputFileTest, TheKernelsRefusalsAreGivenAsTheyCome)
{
    Old("file");
    fs::create_directory(folder.Path() / "folder");
    fs::create_symlink("loop", folder.Path() / "loop");
    const struct {
        const char* path;
        const char* error;
    } cases[] = {
        {"folder", "Is a directory"},
        {"missing/", "Is a directory"},
        {"loop", "Too many levels of symbolic links"},
        {"missing/out.bas", "No such file or directory"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(Replace(folder.Path() / test.path, kNew), test.error) << test.path;
    EXPECT_EQ(ReadText(folder.Path() / "file"), kOld);
}

TEST_F(OutputFileTest, DevicesAndFifosAreWrittenThrough)
{
    EXPECT_EQ(Replace("/dev/null", kNew), "");
    const fs::path fifo = folder.Path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadText(fifo); });
    EXPECT_EQ(Replace(fifo, kNew), "");
    reader.join();
    EXPECT_EQ(received, kNew);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(OutputFileTest, AnotherUsersLinkInAStickyFolderIsRefusedAsByTheShell)
{
    if (geteuid() != 0 || ReadText("/proc/sys/fs/protected_symlinks").substr(0, 1) != "1")
        GTEST_SKIP() << "needs root and the kernel's fs.protected_symlinks";
    const fs::path secret = Old("secret"), sticky = folder.Path() / "sticky", link = sticky / "out.bas";
    fs::create_directory(sticky);
    chmod(sticky.c_str(), 01777);
    fs::create_symlink(secret, link);
    ASSERT_EQ(lchown(link.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(Replace(link, kNew), "Permission denied");
    EXPECT_EQ(ReadText(secret), kOld);
}

// Runs body in a child process with mounts of its own, where it may mount a
// small tmpfs or bind a file without touching the machine; what body
// returns (empty when all went well), or why it could not run.
std::string InPrivateMounts(const std::function<std::string()>& body)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        const bool alone = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        const std::string result = alone ? body() : "skip";
        _exit(write(pipe[1], result.data(), result.size()) < 0);
    }
    close(pipe[1]);
    std::string result;
    char piece[256];
    for (ssize_t got; (got = read(pipe[0], piece, sizeof piece)) > 0;)
        result.append(piece, static_cast<std::size_t>(got));
    close(pipe[0]);
    waitpid(child, nullptr, 0);
    return result;
}

TEST_F(OutputFileTest, AFullDiskLeavesTheFileAsItWas)
{
    const fs::path disk = folder.Path() / "disk", output = disk / "out.bas";
    fs::create_directory(disk);
    const std::string result = InPrivateMounts([&]() -> std::string {
        if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
            return "skip";
        folder.WriteBytes("disk/out.bas", {kOld.begin(), kOld.end()});
        folder.WriteBytes("disk/filler", std::vector<std::uint8_t>(std::size_t{1} << 20, 'x'));
        const std::string error = Replace(output, std::string(std::size_t{1} << 16, 'n'));
        return error + " / " + ReadText(output);
    });
    if (result == "skip")
        GTEST_SKIP() << "needs root for a mount namespace of its own";
    EXPECT_EQ(result, "No space left on device / " + kOld);
}

TEST_F(OutputFileTest, ABindMountedViewOfTheFileShowsTheNewText)
{
    const fs::path output = Old("out.bas"), view = Old("view.bas");
    const std::string result = InPrivateMounts([&]() -> std::string {
        if (mount(output.c_str(), view.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "skip";
        const std::string error = Replace(output, kNew);
        return error + " / " + ReadText(view);
    });
    if (result == "skip")
        GTEST_SKIP() << "needs root for a mount namespace of its own";
    EXPECT_EQ(result, " / " + kNew);
}

#endif

}  // namespace
