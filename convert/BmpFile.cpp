// The one place where the conversion touches the file system.

#include "BmpFile.h"

#include "BmpDecode.h"
#include "Prefault.h"
#include "WideText.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bmp2cdata {

namespace {

// A regular file opened for reading, closed when the object goes.
class ReadOnlyFile {
public:
    // Opens path (UTF-8) without waiting; nothing unless it is a regular
    // file that can be read.
    static std::optional<ReadOnlyFile> Open(const std::string& path);

    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(ReadOnlyFile&&) = delete;
    ~ReadOnlyFile();

    std::int64_t Length() const { return length_; }
    // Reads up to size bytes; 0 at the end of the file or on an error.
    std::size_t ReadSome(std::uint8_t* buffer, std::size_t size);

private:
#ifdef _WIN32
    using Handle = HANDLE;
    static inline const Handle kClosed = INVALID_HANDLE_VALUE;
#else
    using Handle = int;
    static constexpr Handle kClosed = -1;
#endif
    ReadOnlyFile(Handle handle, std::int64_t length) : handle_(handle), length_(length) {}

    Handle handle_;
    std::int64_t length_;
};

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept : handle_(other.handle_), length_(other.length_)
{
    other.handle_ = kClosed;
}

#ifdef _WIN32

std::optional<ReadOnlyFile> ReadOnlyFile::Open(const std::string& path)
{
    // A folder does not open without backup semantics, which is what we want.
    const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    ReadOnlyFile file(handle, 0);
    // Pipes, consoles and devices are not files; reading them could wait.
    LARGE_INTEGER size{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size))
        return std::nullopt;
    file.length_ = size.QuadPart;
    return file;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (handle_ != kClosed)
        CloseHandle(handle_);
}

std::size_t ReadOnlyFile::ReadSome(std::uint8_t* buffer, std::size_t size)
{
    constexpr std::size_t kLargestRead = 1 << 30;  // ReadFile counts in 32 bits
    DWORD read = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(std::min(size, kLargestRead)), &read, nullptr))
        return 0;
    return read;
}

#else

std::optional<ReadOnlyFile> ReadOnlyFile::Open(const std::string& path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for ever if none
    // comes; for a regular file the flag changes nothing.
    const int handle = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0)
        return std::nullopt;
    ReadOnlyFile file(handle, 0);
    struct stat status {};
    if (fstat(handle, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    file.length_ = status.st_size;
    return file;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (handle_ != kClosed)
        close(handle_);
}

std::size_t ReadOnlyFile::ReadSome(std::uint8_t* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t read = ::read(handle_, buffer, size);
        if (read >= 0)
            return static_cast<std::size_t>(read);
        if (errno != EINTR)
            return 0;
    }
}

#endif

// Reads on from what contents holds until it holds wanted bytes or the file
// ends.
void ReadUpTo(ReadOnlyFile& file, BmpFileBytes& contents, std::size_t wanted)
{
    std::size_t got = contents.bytes.size();
    if (wanted > contents.bytes.capacity()) {
        contents.bytes.reserve(wanted);
        PrefaultCapacity(contents.bytes);
    }
    contents.bytes.resize(std::max(wanted, got));
    while (got < wanted) {
        const std::size_t read = file.ReadSome(contents.bytes.data() + got, wanted - got);
        if (read == 0)
            break;
        got += read;
    }
    contents.bytes.resize(got);
    // A file that shrank while it was read is as long as what it gave; one
    // refused on its length keeps the length it was refused for.
    if (got < wanted)
        contents.length = static_cast<std::int64_t>(got);
}

}  // namespace

std::optional<BmpFileBytes> ReadFileAsNeeded(const std::string& path, std::size_t headBytes,
                                             const BytesWanted& bytesWanted)
{
    std::optional<ReadOnlyFile> file = ReadOnlyFile::Open(path);
    if (!file)
        return std::nullopt;
    BmpFileBytes contents;
    contents.length = file->Length();
    const std::int64_t head = std::min(contents.length, static_cast<std::int64_t>(headBytes));
    ReadUpTo(*file, contents, static_cast<std::size_t>(head));
    const std::int64_t wanted = std::min(bytesWanted(contents.bytes, contents.length), contents.length);
    if (wanted > static_cast<std::int64_t>(contents.bytes.size()))
        ReadUpTo(*file, contents, static_cast<std::size_t>(wanted));
    return contents;
}

std::optional<BmpFileBytes> ReadBmpFile(const std::string& path)
{
    // The decode judges how much it needs by the file's length alone.
    return ReadFileAsNeeded(path, 0, [](std::span<const std::uint8_t>, std::int64_t length) {
        return static_cast<std::int64_t>(BytesWorthReading(length));
    });
}

bool ExistsAndIsNotFolder(const std::string& path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
#else
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
#endif
}

}  // namespace bmp2cdata
