#pragma once

// Conversions between the UTF-8 the logic uses and the UTF-16 of Windows.

#include <string>
#include <string_view>

// The UTF-16 of UTF-8 text.
std::wstring WideFromUtf8(std::string_view text);

// Lone surrogates, which no UTF-8 can carry, become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
