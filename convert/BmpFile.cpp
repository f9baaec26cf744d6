#include "BmpFile.h"

#include <sys/stat.h>
#include <utility>

#ifdef _WIN32
// The same calls under the names of the Windows C runtime, for 64-bit offsets.
#define fseeko _fseeki64
#define ftello _ftelli64
#define fileno _fileno
using off_t = long long;
using FileStatus = struct _stat64;
static int fstat(int descriptor, FileStatus* status) { return _fstat64(descriptor, status); }
#define S_ISREG(mode) (((mode) & _S_IFMT) == _S_IFREG)
#else
using FileStatus = struct stat;
#endif

namespace {

bool IsRegularFile(std::FILE* file)
{
    FileStatus status{};
    return fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
}

bool SeekTo(std::FILE* file, std::int64_t offset)
{
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

}  // namespace

std::optional<BmpFile> BmpFile::Open(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return std::nullopt;
    // A folder opens for reading on POSIX systems; only its reads fail.
    if (!IsRegularFile(file) || fseeko(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return std::nullopt;
    }
    const std::int64_t length = ftello(file);
    if (length < 0 || !SeekTo(file, 0)) {
        std::fclose(file);
        return std::nullopt;
    }
    return BmpFile(file, length);
}

BmpFile::BmpFile(BmpFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), length_(other.length_)
{
}

BmpFile& BmpFile::operator=(BmpFile&& other) noexcept
{
    std::swap(file_, other.file_);
    std::swap(length_, other.length_);
    return *this;
}

BmpFile::~BmpFile()
{
    if (file_ != nullptr)
        std::fclose(file_);
}

BmpHeader BmpFile::ReadHeader()
{
    std::array<std::uint8_t, kBmpHeaderBytes> bytes{};
    if (SeekTo(file_, 0))
        std::fread(bytes.data(), 1, bytes.size(), file_);
    return ParseBmpHeader(bytes);
}

std::optional<std::vector<std::uint8_t>> BmpFile::ReadPixelData(const PixelLayout& layout)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(layout.dataLength));
    if (bytes.empty())
        return bytes;
    if (!SeekTo(file_, layout.dataStart))
        return std::nullopt;
    // The file may have shrunk since its length was taken.
    if (std::fread(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        return std::nullopt;
    return bytes;
}

std::optional<std::string> CheckBmpPath(const std::string& path)
{
    std::optional<BmpFile> file = BmpFile::Open(path);
    if (!file)
        return kNotFoundComplaint + path;
    return CheckBmpHeader(file->ReadHeader(), file->Length());
}
