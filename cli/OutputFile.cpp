#include "OutputFile.h"

#include <random>

namespace {

// The longest file name Linux and Windows take: 255 bytes, or 255 UTF-16
// units, which is never less.
constexpr std::size_t kLongestName = 255;
constexpr std::string_view kTemporaryInfix = ".bmp2cdata-";
constexpr std::string_view kRandomCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLength = 6;

// The longest start of name of at most size bytes that ends on a whole UTF-8 character.
std::string_view CutToWholeCharacters(std::string_view name, std::size_t size)
{
    if (name.size() <= size)
        return name;
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80)
        --size;
    return name.substr(0, size);
}

}  // namespace

std::string TemporaryName(std::string_view name)
{
    const std::size_t room = kLongestName - 1 - kTemporaryInfix.size() - kRandomLength;
    std::string temporary = ".";
    temporary += CutToWholeCharacters(name, room);
    temporary += kTemporaryInfix;
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, kRandomCharacters.size() - 1);
    for (std::size_t i = 0; i < kRandomLength; ++i)
        temporary += kRandomCharacters[pick(random)];
    return temporary;
}
