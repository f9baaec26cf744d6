#pragma once

// The conversion speaks UTF-8; Windows speaks UTF-16. On Windows, text and
// paths cross between them through these two.

#ifdef _WIN32

#include <string>
#include <string_view>

namespace bmp2cdata {

// UTF-8 to UTF-16; a malformed byte becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate is kept as invalid UTF-8 (see
// Utf8FromUtf16), so that a file name holding one is refused as a label
// rather than labelled with U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace bmp2cdata

#endif
