#include "Orientation.h"

namespace bmp2cdata {

namespace {

// EXIF's own tag and type for the orientation.
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kTiffMagic = 42;
// A TIFF header: byte order, magic number, first directory's offset.
constexpr std::size_t kTiffHeaderBytes = 8;
constexpr std::size_t kDirectoryEntryBytes = 12;

// Reads width bytes at at in the block's byte order; the caller has checked
// that they lie within it.
std::uint32_t ReadNumber(std::span<const std::uint8_t> tiff, std::size_t at, std::size_t width, bool bigEndian)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= std::uint32_t{tiff[at + i]} << (8 * (bigEndian ? width - 1 - i : i));
    return value;
}

}  // namespace

Orientation ExifOrientation(std::uint32_t value)
{
    // EXIF's values by where the stored first row and first column go.
    constexpr Orientation kByValue[] = {
        {false, false, false}, {false, true, false}, {false, true, true}, {false, false, true},
        {true, false, false},  {true, false, true},  {true, true, true},  {true, true, false},
    };
    return value >= 1 && value <= 8 ? kByValue[value - 1] : Orientation{};
}

Orientation ClockwiseTurn(std::uint32_t quarterTurns)
{
    constexpr Orientation kTurns[] = {
        {false, false, false}, {true, false, true}, {false, true, true}, {true, true, false}};
    return kTurns[quarterTurns % 4];
}

Orientation Then(Orientation first, Orientation second)
{
    // second's flips, seen from the stored picture, swap axes when first
    // transposes.
    const bool secondColumns = first.transpose ? second.flipRows : second.flipColumns;
    const bool secondRows = first.transpose ? second.flipColumns : second.flipRows;
    return {first.transpose != second.transpose, first.flipColumns != secondColumns, first.flipRows != secondRows};
}

PictureSize OrientedSize(PictureSize size, Orientation orientation)
{
    return orientation.transpose ? PictureSize{size.height, size.width} : size;
}

Picture Oriented(const Picture& picture, Orientation orientation)
{
    if (orientation == Orientation{})
        return picture;
    const PictureSize shown = OrientedSize({picture.width, picture.height}, orientation);
    Picture result{shown.width, shown.height, std::vector<std::uint8_t>(picture.rgb.size())};
    std::uint8_t* out = result.rgb.data();
    for (std::uint32_t row = 0; row < shown.height; ++row)
        for (std::uint32_t column = 0; column < shown.width; ++column, out += 3) {
            std::uint32_t x = orientation.transpose ? row : column;
            std::uint32_t y = orientation.transpose ? column : row;
            x = orientation.flipColumns ? picture.width - 1 - x : x;
            y = orientation.flipRows ? picture.height - 1 - y : y;
            const std::uint8_t* in = picture.rgb.data() + (std::size_t{y} * picture.width + x) * 3;
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    return result;
}

std::uint32_t ExifOrientationValue(std::span<const std::uint8_t> tiff)
{
    if (tiff.size() < kTiffHeaderBytes || tiff[0] != tiff[1] || (tiff[0] != 'I' && tiff[0] != 'M'))
        return 1;
    const bool bigEndian = tiff[0] == 'M';
    if (ReadNumber(tiff, 2, 2, bigEndian) != kTiffMagic)
        return 1;
    const std::uint64_t directory = ReadNumber(tiff, 4, 4, bigEndian);
    if (directory + 2 > tiff.size())
        return 1;
    const std::uint32_t entries = ReadNumber(tiff, directory, 2, bigEndian);
    for (std::uint64_t at = directory + 2; at < directory + 2 + std::uint64_t{entries} * kDirectoryEntryBytes;
         at += kDirectoryEntryBytes) {
        if (at + kDirectoryEntryBytes > tiff.size())
            return 1;
        if (ReadNumber(tiff, at, 2, bigEndian) != kOrientationTag)
            continue;
        // A short's value sits in the first two bytes of the value field.
        const bool shortValue = ReadNumber(tiff, at + 2, 2, bigEndian) == kShortType &&
                                ReadNumber(tiff, at + 4, 4, bigEndian) >= 1;
        const std::uint32_t value = shortValue ? ReadNumber(tiff, at + 8, 2, bigEndian) : 1;
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

}  // namespace bmp2cdata
