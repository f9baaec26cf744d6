#include "Label.h"

#include "Utf8.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace bmp2cdata {

namespace {

constexpr char32_t kFirstPrintable = 0x20;
constexpr char32_t kDelete = 0x7F;
constexpr std::pair<char32_t, char32_t> kFirstAndLastC1Control = {0x80, 0x9F};
constexpr char32_t kLineSeparator = 0x2028;
constexpr char32_t kParagraphSeparator = 0x2029;

// The Bidi_Control characters: the Arabic letter mark, the left-to-right and
// right-to-left marks, the embeddings and overrides, and the isolates.
constexpr std::pair<char32_t, char32_t> kBidirectionalControls[] = {
    {0x061C, 0x061C}, {0x200E, 0x200F}, {0x202A, 0x202E}, {0x2066, 0x2069}};

bool IsWithin(char32_t codePoint, std::pair<char32_t, char32_t> range)
{
    return codePoint >= range.first && codePoint <= range.second;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool DisturbsText(char32_t codePoint)
{
    return codePoint < kFirstPrintable || codePoint == kDelete || IsWithin(codePoint, kFirstAndLastC1Control) ||
           codePoint == kLineSeparator || codePoint == kParagraphSeparator ||
           std::any_of(std::begin(kBidirectionalControls), std::end(kBidirectionalControls),
                       [codePoint](auto range) { return IsWithin(codePoint, range); });
}

bool BreaksSourceText(std::string_view label)
{
    for (std::size_t position = 0; position < label.size();) {
        const Utf8Step step = DecodeUtf8At(label, position);
        if (!step.valid || DisturbsText(step.codePoint))
            return true;
        position += step.length;
    }
    return false;
}

bool IsBasicName(std::string_view label)
{
    return !label.empty() && IsAsciiLetter(label.front()) &&
           std::all_of(label.begin(), label.end(),
                       [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

std::string NotABasicNameWarning(std::string_view label)
{
    return "the label \"" + std::string(label) +
           "\" is not a BASIC name (ASCII letters, digits and _, starting with a letter)";
}

}  // namespace bmp2cdata
