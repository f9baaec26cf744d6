#include "Platform.h"

#include "WideText.h"

#include <algorithm>
#include <windows.h>

using namespace bmp2cdata;

namespace {

// Largest piece handed to one read or write; the calls take a 32-bit count.
constexpr std::size_t kLargestWrite = 1u << 30;

// Hands text to write in pieces until all of it is written; false when a
// piece cannot be.
template <typename Character, typename Write>
bool WriteInPieces(std::basic_string_view<Character> text, Write write)
{
    while (!text.empty()) {
        DWORD written = 0;
        if (!write(text.data(), static_cast<DWORD>(std::min(text.size(), kLargestWrite)), &written) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

// A console shows UTF-16 correctly whatever its code page; a file or pipe
// gets the UTF-8 bytes themselves, line ends untouched.
bool WriteToStandardHandle(DWORD which, std::string_view text)
{
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideFromUtf8(text);
        return WriteInPieces(std::wstring_view(wide), [handle](const wchar_t* piece, DWORD size, DWORD* written) {
            return WriteConsoleW(handle, piece, size, written, nullptr);
        });
    }
    return WriteAll(handle, text);
}

}  // namespace

void KeepStandardStreamsOpen()
{
    for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = GetStdHandle(which);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            continue;
        const HANDLE null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (null != INVALID_HANDLE_VALUE)
            SetStdHandle(which, null);
    }
}

bool WriteAll(void* handle, std::string_view text)
{
    return WriteInPieces(text, [handle](const char* piece, DWORD size, DWORD* written) {
        return WriteFile(handle, piece, size, written, nullptr);
    });
}

bool WriteStandardOutput(std::string_view text)
{
    return WriteToStandardHandle(STD_OUTPUT_HANDLE, text);
}

void WriteStandardError(std::string_view text)
{
    WriteToStandardHandle(STD_ERROR_HANDLE, text);
}

std::optional<FileIdentity> IdentityOfHandle(void* handle)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &information))
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    if (path == "-")
        return IdentityOfHandle(GetStdHandle(STD_INPUT_HANDLE));
    // Backup semantics open folders too, and the file is only looked at.
    const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const std::optional<FileIdentity> identity = IdentityOfHandle(file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return identity;
}

std::optional<FileIdentity> IdentityOfStandardOutput()
{
    return IdentityOfHandle(GetStdHandle(STD_OUTPUT_HANDLE));
}

std::optional<std::vector<std::uint8_t>> ReadStandardInput(std::size_t limit)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<std::uint8_t> bytes(limit);
    std::size_t got = 0;
    while (got < limit) {
        DWORD read = 0;
        if (!ReadFile(input, bytes.data() + got, static_cast<DWORD>(std::min(limit - got, kLargestWrite)), &read,
                      nullptr)) {
            // A pipe whose writer has gone has simply ended.
            if (GetLastError() == ERROR_BROKEN_PIPE)
                break;
            return std::nullopt;
        }
        if (read == 0)
            break;
        got += read;
    }
    bytes.resize(got);
    return bytes;
}
