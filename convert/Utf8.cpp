#include "Utf8.h"

#include <array>

namespace bmp2cdata {

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;
constexpr char32_t kFirstTrailSurrogate = 0xDC00;
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr std::size_t kLongestSequence = 4;

// The smallest code point each length may spell; anything less is overlong.
constexpr std::array<char32_t, kLongestSequence + 1> kSmallestOfLength = {0, 0, 0x80, 0x800, 0x10000};

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length a lead byte announces and the bits it carries; length 0 for a
// byte that leads nothing (a continuation byte, or F8..FF).
std::pair<std::size_t, char32_t> LeadOf(unsigned char byte)
{
    if (byte < 0x80)
        return {1, byte};
    if ((byte & 0xE0) == 0xC0)
        return {2, byte & 0x1Fu};
    if ((byte & 0xF0) == 0xE0)
        return {3, byte & 0x0Fu};
    if ((byte & 0xF8) == 0xF0)
        return {4, byte & 0x07u};
    return {0, 0};
}

bool IsScalarValue(char32_t codePoint)
{
    return codePoint <= kLastCodePoint && (codePoint < kFirstSurrogate || codePoint > kLastSurrogate);
}

void AppendUtf8(std::string& text, char32_t codePoint)
{
    const auto unit = [](char32_t bits) { return static_cast<char>(bits); };
    if (codePoint < kSmallestOfLength[2]) {
        text += unit(codePoint);
    } else if (codePoint < kSmallestOfLength[3]) {
        text += {unit(0xC0 | codePoint >> 6), unit(0x80 | (codePoint & 0x3F))};
    } else if (codePoint < kSmallestOfLength[4]) {
        text += {unit(0xE0 | codePoint >> 12), unit(0x80 | (codePoint >> 6 & 0x3F)), unit(0x80 | (codePoint & 0x3F))};
    } else {
        text += {unit(0xF0 | codePoint >> 18), unit(0x80 | (codePoint >> 12 & 0x3F)),
                 unit(0x80 | (codePoint >> 6 & 0x3F)), unit(0x80 | (codePoint & 0x3F))};
    }
}

}  // namespace

Utf8Step DecodeUtf8At(std::string_view text, std::size_t position)
{
    const auto [length, lead] = LeadOf(static_cast<unsigned char>(text[position]));
    if (length == 0 || length > text.size() - position)
        return {};
    char32_t codePoint = lead;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[position + i]);
        if (!IsContinuation(byte))
            return {};
        codePoint = codePoint << 6 | (byte & 0x3Fu);
    }
    if (codePoint < kSmallestOfLength[length] || !IsScalarValue(codePoint))
        return {};
    return {codePoint, length, true};
}

std::string Utf8FromUtf16(std::u16string_view text)
{
    std::string converted;
    converted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t codePoint = text[i];
        const bool pairs = codePoint >= kFirstSurrogate && codePoint < kFirstTrailSurrogate && i + 1 < text.size() &&
                           text[i + 1] >= kFirstTrailSurrogate && text[i + 1] <= kLastSurrogate;
        if (pairs)
            codePoint = kFirstSupplementary + ((codePoint - kFirstSurrogate) << 10) + (text[++i] - kFirstTrailSurrogate);
        AppendUtf8(converted, codePoint);
    }
    return converted;
}

}  // namespace bmp2cdata
