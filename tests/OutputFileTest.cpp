// The output file without a process around it: what it does when the file
// system changes under it while it writes.

#include "OutputFile.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <atomic>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32

bool WriteWhole(const fs::path& path, std::string_view text)
{
    OutputFile file;
    std::string error;
    return file.Open(path.string(), error) && file.Write(text, error) && file.Commit(error);
}

TEST(OutputFile, StaysInItsFolderWhenTheFolderIsRenamedDuringTheWrite)
{
    ScratchFolder folder;
    const fs::path first = folder.Path() / "first", moved = folder.Path() / "moved";
    for (const bool existing : {false, true}) {
        fs::create_directory(first);
        if (existing)
            folder.WriteBytes("first/out.bas", {'o', 'l', 'd'});
        OutputFile file;
        std::string error;
        ASSERT_TRUE(file.Open((first / "out.bas").string(), error)) << error;
        ASSERT_TRUE(file.Write("new", error)) << error;
        fs::rename(first, moved);
        fs::create_directory(first);
        EXPECT_TRUE(file.Commit(error)) << error;
        EXPECT_EQ(ReadText(moved / "out.bas"), "new");
        // Nothing in the new folder, and no temporary file beside the output.
        EXPECT_TRUE(fs::is_empty(first));
        EXPECT_EQ(std::distance(fs::directory_iterator(moved), {}), 1);
        fs::remove_all(first);
        fs::remove_all(moved);
    }
}

// A socket, which no write can go through, stands for a device that a
// replacement must never take the place of.
void MakeSocket(const fs::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int bound = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(bound, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(bound);
}

TEST(OutputFile, NeverReplacesWhatALinkSwappedInDuringItsLooksLeadsTo)
{
    // Each write is synced, which costs nothing in memory.
    ScratchFolder folder(fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
    const fs::path output = folder.Path() / "out.bas", device = folder.Path() / "device";
    MakeSocket(device);
    std::atomic<bool> done = false;
    // Turns out.bas into a link to the device and back, over and over.
    std::thread swapper([&] {
        for (bool link = false; !done; link = !link) {
            const fs::path next = folder.Path() / "next";
            if (link)
                symlink("device", next.c_str());
            else
                folder.WriteBytes("next", {'x'});
            rename(next.c_str(), output.c_str());
        }
    });
    for (int run = 0; run < 2000; ++run)
        WriteWhole(output, "new");
    done = true;
    swapper.join();
    struct stat status {};
    ASSERT_EQ(lstat(device.c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
}

#endif

}  // namespace
