#include "OutputFile.h"

#include "WideText.h"

#include <windows.h>

using namespace bmp2cdata;

namespace {

// Others may read and write it meanwhile, as after cmd's '>'.
constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool Fail(std::string& error)
{
    const DWORD code = GetLastError();
    wchar_t* message = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = message ? message : L"error " + std::to_wstring(code);
    LocalFree(message);
    // The system's messages end in a full stop and a line break.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.'))
        text.pop_back();
    error = Utf8FromWide(text);
    return false;
}

// Makes sure the volume has room for size bytes in the file, without
// changing what it holds; true where it cannot tell. An allocation below
// the file's size would cut it, so it only ever grows here.
bool ReserveRoom(HANDLE file, std::size_t size)
{
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        static_cast<ULONGLONG>(standard.EndOfFile.QuadPart) >= size)
        return true;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation))
        return true;
    const DWORD failure = GetLastError();
    return failure != ERROR_DISK_FULL && failure != ERROR_HANDLE_DISK_FULL;
}

}  // namespace

OutputFile::~OutputFile()
{
    if (handle_ != nullptr)
        CloseHandle(handle_);
}

bool OutputFile::Open(const std::string& path, std::string& error)
{
    // OPEN_ALWAYS, unlike cmd's CREATE_ALWAYS, keeps a hidden file's
    // attributes and is not refused for them; a read-only file is refused.
    const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, kShared, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(error);
    handle_ = file;
    // Windows refuses a read-only file itself; Wine running as root opens it.
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file, &information) && (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return Fail(error);
    }
    return true;
}

std::optional<FileIdentity> OutputFile::Identity() const
{
    return IdentityOfHandle(handle_);
}

bool OutputFile::Replace(std::string_view text, std::string& error)
{
    // NUL, CON and pipes are written through; only a file on a disk is cut.
    if (GetFileType(handle_) == FILE_TYPE_DISK) {
        if (!ReserveRoom(handle_, text.size())) {
            SetLastError(ERROR_DISK_FULL);
            return Fail(error);
        }
        const LARGE_INTEGER start{};
        if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
            return Fail(error);
    }
    const bool written = WriteAll(handle_, text);
    const DWORD failure = GetLastError();
    const bool closed = CloseHandle(handle_);
    handle_ = nullptr;
    if (!written)
        SetLastError(failure);
    return (written && closed) || Fail(error);
}
