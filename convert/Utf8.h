#pragma once

// Reading UTF-8 strictly, one code point at a time, and writing UTF-16 as
// UTF-8 without hiding what does not convert.

#include <cstddef>
#include <string>
#include <string_view>

namespace bmp2cdata {

// The code point that starts at a position in UTF-8 text, and how many bytes
// spell it. A byte that starts no well-formed sequence is invalid on its own,
// so that a sequence cut short never swallows the character after it.
struct Utf8Step {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

// The step at text[position] (position < text.size()), refusing overlong
// forms, surrogates, code points beyond U+10FFFF and cut sequences.
Utf8Step DecodeUtf8At(std::string_view text, std::size_t position);

// UTF-16 as UTF-8. An unpaired surrogate is spelled in three bytes as though
// it were a code point: no UTF-8 check accepts it, where U+FFFD in its place
// would quietly stand for a different name.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace bmp2cdata
