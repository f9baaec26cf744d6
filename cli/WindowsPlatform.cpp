#include "Platform.h"

#include "WideText.h"

#include <algorithm>
#include <windows.h>

namespace {

// Largest piece handed to one write; the calls take a 32-bit count.
constexpr std::size_t kLargestWrite = 1u << 30;

// A console shows UTF-16 correctly whatever its code page; a file or pipe
// gets the UTF-8 bytes themselves, line ends untouched.
bool WriteToStandardHandle(DWORD which, std::string_view text)
{
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideFromUtf8(text);
        std::wstring_view rest = wide;
        while (!rest.empty()) {
            DWORD written = 0;
            if (!WriteConsoleW(handle, rest.data(), static_cast<DWORD>(std::min(rest.size(), kLargestWrite)), &written,
                               nullptr) || written == 0)
                return false;
            rest.remove_prefix(written);
        }
        return true;
    }
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle, text.data(), static_cast<DWORD>(std::min(text.size(), kLargestWrite)), &written,
                       nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool WriteStandardOutput(std::string_view text)
{
    return WriteToStandardHandle(STD_OUTPUT_HANDLE, text);
}

void WriteStandardError(std::string_view text)
{
    WriteToStandardHandle(STD_ERROR_HANDLE, text);
}

// Windows has no request cheaper than touching the pages as they fill.
void PrefaultCapacity(std::string&) {}
