// The one place where the conversion touches the file system.

#include "BmpFile.h"

#include "BmpHeader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A file longer than the size limit is refused on its header and its length
// alone; its pixels are never read.
std::size_t BytesWorthReading(std::int64_t length)
{
    if (length - static_cast<std::int64_t>(kBmpHeaderBytes) > kMaxPixelDataBytes)
        return kBmpHeaderBytes;
    return static_cast<std::size_t>(length);
}

#ifdef _WIN32

std::optional<std::wstring> WidePath(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    const int size = static_cast<int>(path.size());
    const int wideSize = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (wideSize <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, wide.data(), wideSize);
    return wide;
}

std::optional<BmpFileBytes> ReadOpenFile(HANDLE file)
{
    // Pipes, consoles and devices are not files; reading them could wait.
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size))
        return std::nullopt;
    BmpFileBytes contents;
    contents.length = size.QuadPart;
    contents.bytes.resize(BytesWorthReading(contents.length));
    std::size_t got = 0;
    while (got < contents.bytes.size()) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(contents.bytes.size() - got);
        if (!ReadFile(file, contents.bytes.data() + got, wanted, &read, nullptr) || read == 0)
            break;
        got += read;
    }
    contents.bytes.resize(got);
    return contents;
}

std::optional<BmpFileBytes> ReadFileAt(const std::string& path)
{
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide)
        return std::nullopt;
    // A folder does not open without backup semantics, which is what we want.
    const HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<BmpFileBytes> contents = ReadOpenFile(file);
    CloseHandle(file);
    return contents;
}

#else

std::optional<BmpFileBytes> ReadOpenFile(int descriptor)
{
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    BmpFileBytes contents;
    contents.length = status.st_size;
    contents.bytes.resize(BytesWorthReading(contents.length));
    std::size_t got = 0;
    while (got < contents.bytes.size()) {
        const ssize_t read = ::read(descriptor, contents.bytes.data() + got, contents.bytes.size() - got);
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    contents.bytes.resize(got);
    return contents;
}

std::optional<BmpFileBytes> ReadFileAt(const std::string& path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for ever if none
    // comes; for a regular file the flag changes nothing.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    std::optional<BmpFileBytes> contents = ReadOpenFile(descriptor);
    close(descriptor);
    return contents;
}

#endif

}  // namespace

std::optional<BmpFileBytes> ReadBmpFile(const std::string& path)
{
    std::optional<BmpFileBytes> contents = ReadFileAt(path);
    // A file that shrank while it was read is as long as what it gave; one
    // refused on its length keeps the length it was refused for.
    if (contents && contents->bytes.size() < BytesWorthReading(contents->length))
        contents->length = static_cast<std::int64_t>(contents->bytes.size());
    return contents;
}
