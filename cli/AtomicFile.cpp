#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file gets the permissions any other program would give it; a file
// being replaced keeps its own.
mode_t ModeFor(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0)
        return status.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int descriptor, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = write(descriptor, text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        written += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error)
{
    std::string temporary = FolderOf(path) + "/.bmp2cdata-XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool written = fchmod(descriptor, ModeFor(path)) == 0 && WriteAll(descriptor, text) &&
                   fsync(descriptor) == 0;
    if (!written)
        error = std::strerror(errno);
    if (close(descriptor) != 0 && written) {
        written = false;
        error = std::strerror(errno);
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = std::strerror(errno);
    }
    if (!written)
        std::remove(temporary.c_str());
    return written;
}
