#include "WideText.h"

#ifdef _WIN32

#include "Utf8.h"

#include <windows.h>

namespace bmp2cdata {

std::wstring WideFromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8FromWide(std::wstring_view text)
{
    // WideCharToMultiByte would put U+FFFD in place of an unpaired surrogate.
    return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

}  // namespace bmp2cdata

#endif
