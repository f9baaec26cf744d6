#include "Label.h"

#include <algorithm>

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool HoldsControlCharacter(std::string_view label)
{
    return std::any_of(label.begin(), label.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < kFirstPrintable || byte == kDelete;
    });
}

bool IsBasicName(std::string_view label)
{
    return !label.empty() && IsAsciiLetter(label.front()) &&
           std::all_of(label.begin(), label.end(),
                       [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_'; });
}
