#include "OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a new file gets before the umask, as from a shell's '>'.
constexpr mode_t kNewFileMode = 0666;
// A write by a user without CAP_FSETID drops these; a rewritten program
// must not keep running as its owner.
constexpr mode_t kPrivilegeBits = S_ISUID | S_ISGID;

bool Fail(std::string& error)
{
    error = std::strerror(errno);
    return false;
}

// Whether size bytes may be written under the process's file-size limit,
// which would otherwise stop the write after the cut.
bool WithinFileSizeLimit(std::size_t size)
{
    struct rlimit limit {};
    return getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || size <= limit.rlim_cur;
}

// Makes sure the file system has room for size bytes in the file, beyond
// what it holds now, without changing what it holds; true where it cannot
// tell.
bool ReserveRoom(int descriptor, std::size_t size)
{
    if (size == 0)
        return true;
    int result = 0;
    do
        result = fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
    while (result != 0 && errno == EINTR);
    return result == 0 || (errno != ENOSPC && errno != EDQUOT && errno != EFBIG);
}

// Readies a regular file for its new text: room, limit and privileges
// checked or dropped before anything of it is lost, then cut.
bool Cut(int descriptor, const struct stat& status, std::size_t size, std::string& error)
{
    if (!WithinFileSizeLimit(size)) {
        errno = EFBIG;
        return Fail(error);
    }
    if (!ReserveRoom(descriptor, size))
        return Fail(error);
    // Only the owner (or root) may change the mode; for anyone else the
    // kernel drops the bits itself at the first write.
    if ((status.st_mode & kPrivilegeBits) != 0 && fchmod(descriptor, status.st_mode & 07777 & ~kPrivilegeBits) != 0 &&
        errno != EPERM)
        return Fail(error);
    return ftruncate(descriptor, 0) == 0 || Fail(error);
}

}  // namespace

OutputFile::~OutputFile()
{
    if (descriptor_ >= 0)
        close(descriptor_);
}

bool OutputFile::Open(const std::string& path, std::string& error)
{
    // '>' without O_TRUNC: the file is cut only once its text has room.
    descriptor_ = open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC, kNewFileMode);
    return descriptor_ >= 0 || Fail(error);
}

std::optional<FileIdentity> OutputFile::Identity() const
{
    struct stat status {};
    if (fstat(descriptor_, &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

bool OutputFile::Replace(std::string_view text, std::string& error)
{
    struct stat status {};
    if (fstat(descriptor_, &status) != 0)
        return Fail(error);
    if (S_ISREG(status.st_mode) && !Cut(descriptor_, status, text.size(), error))
        return false;
    const bool written = WriteAll(descriptor_, text);
    const int writeError = errno;
    const int closed = close(descriptor_);
    descriptor_ = -1;
    if (!written)
        errno = writeError;
    return (written && closed == 0) || Fail(error);
}
