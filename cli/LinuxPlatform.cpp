#include "Platform.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void KeepStandardStreamsOpen()
{
    // open gives the lowest free descriptor: each closed stream in turn.
    for (int descriptor = 0; descriptor <= STDERR_FILENO;) {
        descriptor = open("/dev/null", O_RDWR | O_NOCTTY);
        if (descriptor < 0)
            return;
        if (descriptor > STDERR_FILENO)
            close(descriptor);
    }
}

bool WriteAll(int descriptor, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A write that takes nothing would be tried for ever; say why it stopped.
            if (written == 0)
                errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool WriteStandardOutput(std::string_view text)
{
    return WriteAll(STDOUT_FILENO, text);
}

void WriteStandardError(std::string_view text)
{
    WriteAll(STDERR_FILENO, text);
}

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    struct stat status {};
    if ((path == "-" ? fstat(STDIN_FILENO, &status) : stat(path.c_str(), &status)) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<FileIdentity> IdentityOfStandardOutput()
{
    struct stat status {};
    if (fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

std::optional<std::vector<std::uint8_t>> ReadStandardInput(std::size_t limit)
{
    std::vector<std::uint8_t> bytes(limit);
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t read = ::read(STDIN_FILENO, bytes.data() + got, limit - got);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return std::nullopt;
        if (read == 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    bytes.resize(got);
    return bytes;
}
