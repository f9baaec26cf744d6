#include "PictureFormat.h"

#include "BmpHeader.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace bmp2cdata {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Start of image, then the first byte of the next marker.
constexpr std::array<std::uint8_t, 3> kJpegStart = {0xFF, 0xD8, 0xFF};

// The header chunk must come first: its length and type, then the width
// and height, big-endian.
constexpr std::size_t kPngHeaderType = 12;
constexpr std::size_t kPngWidth = 16;
constexpr std::size_t kPngHeight = 20;
constexpr std::array<std::uint8_t, 4> kPngHeaderName = {'I', 'H', 'D', 'R'};

constexpr std::size_t kPngBitDepth = 24;
constexpr std::size_t kPngColourType = 25;
constexpr std::size_t kPngInterlace = 28;
// A chunk's length, type and checksum around its data.
constexpr std::size_t kPngChunkFrame = 12;
constexpr std::array<std::uint8_t, 4> kPngImageDataName = {'I', 'D', 'A', 'T'};
constexpr std::array<std::uint8_t, 4> kPngEndName = {'I', 'E', 'N', 'D'};
// Deflate's best ratio: a match copies at most 258 bytes, and its codes
// take at least two bits, so no byte of a stream inflates past 1032 bytes.
constexpr std::uint64_t kDeflateBestRatio = 1032;

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kApplication1 = 0xE1;
constexpr std::array<std::uint8_t, 6> kExifName = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint8_t kApplication2 = 0xE2;
constexpr std::array<std::uint8_t, 12> kIccProfileName = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr std::array<std::uint8_t, 4> kPngExifName = {'e', 'X', 'I', 'f'};
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kEndOfImage = 0xD9;

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | bytes[at + i];
    return value;
}

template <std::size_t N>
bool StartsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& prefix, std::size_t at = 0)
{
    return bytes.size() >= at + N && std::equal(prefix.begin(), prefix.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::optional<PictureSize> PngSize(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kPngHeight + 4 || !StartsWith(bytes, kPngHeaderName, kPngHeaderType))
        return std::nullopt;
    return PictureSize{BigEndian(bytes, kPngWidth, 4), BigEndian(bytes, kPngHeight, 4)};
}

// Frame headers: SOF0 to SOF15 but for the Huffman table (C4), the
// arithmetic-coding conditioning (CC) and the reserved C8 markers.
bool IsFrameHeader(std::uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM, the restarts and SOI.
bool StandsAlone(std::uint8_t marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// Walks the segments before the first scan as a decoder does: bytes before
// a marker are skipped, as are fill bytes and stuffed zeros, and each
// segment by its length. visit(marker, at) sees each segment, at the offset
// of its length, and returns true to end the walk.
template <typename Visit>
void WalkJpegSegments(std::span<const std::uint8_t> bytes, Visit visit)
{
    std::size_t at = 2;
    while (at < bytes.size()) {
        if (bytes[at++] != kMarkerPrefix)
            continue;
        while (at < bytes.size() && bytes[at] == kMarkerPrefix)
            ++at;
        if (at >= bytes.size())
            return;
        const std::uint8_t marker = bytes[at++];
        if (marker == 0 || StandsAlone(marker))
            continue;
        if (marker == kStartOfScan || marker == kEndOfImage || at + 2 > bytes.size() || visit(marker, at))
            return;
        at += std::max<std::uint32_t>(2, BigEndian(bytes, at, 2));
    }
}

std::optional<PictureSize> JpegSize(std::span<const std::uint8_t> bytes)
{
    std::optional<PictureSize> size;
    WalkJpegSegments(bytes, [&](std::uint8_t marker, std::size_t at) {
        if (!IsFrameHeader(marker))
            return false;
        // The frame header: length, sample precision, height, width.
        if (at + 7 <= bytes.size())
            size = PictureSize{BigEndian(bytes, at + 5, 2), BigEndian(bytes, at + 3, 2)};
        return true;
    });
    return size;
}

// The bytes of image data before deflate, a filter byte and the packed
// samples a row, of a PNG file whose header chunk is at the start of png;
// nothing for a colour type PNG does not have.
std::optional<std::uint64_t> PngRowBytes(std::span<const std::uint8_t> png, std::uint32_t width)
{
    static constexpr std::uint8_t kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    const std::uint8_t colourType = png[kPngColourType];
    if (colourType >= std::size(kChannels) || kChannels[colourType] == 0)
        return std::nullopt;
    const std::uint64_t bits = std::uint64_t{width} * kChannels[colourType] * png[kPngBitDepth];
    return 1 + (bits + 7) / 8;
}

// Whether inflated bytes of image data can hold the rows of a picture of
// size, interlaced or not.
bool PngDataHoldsRows(std::span<const std::uint8_t> png, PictureSize size, std::uint64_t inflated)
{
    const bool interlaced = png[kPngInterlace] != 0;
    for (int pass = 0; pass < (interlaced ? kInterlacePassCount : 1); ++pass) {
        const PictureSize rows = interlaced ? InterlacePassSize(size, pass) : size;
        const std::optional<std::uint64_t> rowBytes = PngRowBytes(png, rows.width);
        if (rows.Area() == 0 || !rowBytes)
            continue;
        if (inflated / *rowBytes < rows.height)
            return false;
        inflated -= *rowBytes * rows.height;
    }
    return true;
}

// A format known by its signature at a fixed offset. Formats inside a shared
// container (RIFF) are told by their brand beyond the container's own.
struct Signature {
    std::string_view container;
    std::size_t at;
    std::string_view bytes;
    std::string_view name;
};
using namespace std::string_view_literals;
constexpr Signature kUnreadFormats[] = {
    {{}, 0, "GIF87a"sv, "a GIF"},
    {{}, 0, "GIF89a"sv, "a GIF"},
    // RIFF also holds WAV and AVI files.
    {"RIFF"sv, 8, "WEBP"sv, "a WebP"},
    {{}, 0, "II*\0"sv, "a TIFF"},
    {{}, 0, "MM\0*"sv, "a TIFF"},
    // Icons and cursors: a zero word, then the kind.
    {{}, 0, "\0\0\1\0"sv, "an ICO"},
    {{}, 0, "\0\0\2\0"sv, "an ICO"},
    // An ISO media file names its brand straight after "ftyp".
    {{}, 4, "ftypavif"sv, "an AVIF"},
    {{}, 4, "ftypavis"sv, "an AVIF"},
    {{}, 4, "ftypheic"sv, "a HEIC"},
    {{}, 4, "ftypheix"sv, "a HEIC"},
    {{}, 4, "ftyphevc"sv, "a HEIC"},
    {{}, 4, "ftypheim"sv, "a HEIC"},
    {{}, 4, "ftypheis"sv, "a HEIC"},
    {{}, 4, "ftypmif1"sv, "a HEIC"},
    {{}, 4, "ftypmsf1"sv, "a HEIC"},
};

bool HoldsAt(std::span<const std::uint8_t> start, std::size_t at, std::string_view bytes)
{
    return start.size() >= at + bytes.size() &&
           std::equal(bytes.begin(), bytes.end(), start.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char expected, std::uint8_t byte) { return static_cast<std::uint8_t>(expected) == byte; });
}

std::string SizeText(PictureSize size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

}  // namespace

PictureFormat SniffPictureFormat(std::span<const std::uint8_t> start)
{
    if (StartsWith(start, kPngSignature))
        return PictureFormat::Png;
    if (StartsWith(start, kJpegStart))
        return PictureFormat::Jpeg;
    return PictureFormat::Bmp;
}

std::optional<std::string> UnreadFormatComplaint(std::span<const std::uint8_t> start)
{
    for (const Signature& signature : kUnreadFormats)
        if (HoldsAt(start, 0, signature.container) && HoldsAt(start, signature.at, signature.bytes))
            return "This file is " + std::string(signature.name) + " picture; BMP, PNG and JPEG are read";
    return std::nullopt;
}

std::optional<PictureSize> DeclaredSize(PictureFormat format, std::span<const std::uint8_t> start)
{
    switch (format) {
    case PictureFormat::Png:
        return PngSize(start);
    case PictureFormat::Jpeg:
        return JpegSize(start);
    case PictureFormat::Bmp:
        break;
    }
    return std::nullopt;
}

PictureSize InterlacePassSize(PictureSize size, int pass)
{
    const InterlacePass& geometry = kInterlacePasses[pass];
    const auto count = [](std::uint32_t length, std::uint32_t start, std::uint32_t step) {
        return length > start ? (length - start + step - 1) / step : 0;
    };
    return {count(size.width, geometry.column, geometry.columnStep), count(size.height, geometry.row, geometry.rowStep)};
}

bool PngChunksAreSound(std::span<const std::uint8_t> png)
{
    const std::optional<PictureSize> size = PngSize(png);
    if (!size || png.size() <= kPngInterlace)
        return false;
    std::uint64_t imageData = 0;
    for (std::size_t at = kPngSignature.size(); at < png.size();) {
        if (png.size() - at < kPngChunkFrame || BigEndian(png, at, 4) > png.size() - at - kPngChunkFrame)
            return false;
        const std::uint32_t length = BigEndian(png, at, 4);
        if (StartsWith(png, kPngEndName, at + 4))
            break;
        if (StartsWith(png, kPngImageDataName, at + 4))
            imageData += length;
        at += kPngChunkFrame + length;
    }
    return PngDataHoldsRows(png, *size, imageData * kDeflateBestRatio);
}

std::string TooManyPixelsComplaint(PictureSize size)
{
    return "This picture is too large. It has " + SizeText(size) + " pixels; at most " +
           std::to_string(kMaxPicturePixels) + " (16 megapixels) are read";
}

std::optional<std::string> CheckPictureSize(PictureSize size)
{
    if (size.Area() > kMaxPicturePixels)
        return TooManyPixelsComplaint(size);
    return std::nullopt;
}

namespace {

std::span<const std::uint8_t> JpegExifBlock(std::span<const std::uint8_t> jpeg)
{
    std::span<const std::uint8_t> block;
    WalkJpegSegments(jpeg, [&](std::uint8_t marker, std::size_t at) {
        if (marker != kApplication1 || !StartsWith(jpeg, kExifName, at + 2))
            return false;
        const std::size_t end = at + BigEndian(jpeg, at, 2);
        if (end <= jpeg.size() && end >= at + 2 + kExifName.size())
            block = jpeg.subspan(at + 2 + kExifName.size(), end - at - 2 - kExifName.size());
        return true;
    });
    return block;
}

// Where a PNG file's eXIf chunk starts, at its length; nothing when there is
// none before the end, or a chunk runs past the file first.
std::optional<std::size_t> PngExifChunk(std::span<const std::uint8_t> png)
{
    for (std::size_t at = kPngSignature.size(); png.size() - at >= kPngChunkFrame;) {
        const std::uint32_t length = BigEndian(png, at, 4);
        if (length > png.size() - at - kPngChunkFrame || StartsWith(png, kPngEndName, at + 4))
            break;
        if (StartsWith(png, kPngExifName, at + 4))
            return at;
        at += kPngChunkFrame + length;
    }
    return std::nullopt;
}

std::span<const std::uint8_t> PngExifBlock(std::span<const std::uint8_t> png)
{
    const std::optional<std::size_t> chunk = PngExifChunk(png);
    return chunk ? png.subspan(*chunk + 8, BigEndian(png, *chunk, 4)) : std::span<const std::uint8_t>();
}

}  // namespace

void HideExifOrientationAndProfile(PictureFormat format, std::vector<std::uint8_t>& file)
{
    if (format == PictureFormat::Jpeg) {
        WalkJpegSegments(file, [&](std::uint8_t marker, std::size_t at) {
            // A decoder that reads EXIF or a colour profile knows the
            // segment by its name alone.
            if ((marker == kApplication1 && StartsWith<6>(file, kExifName, at + 2)) ||
                (marker == kApplication2 && StartsWith<12>(file, kIccProfileName, at + 2)))
                file[at + 2] = 'X';
            return false;
        });
    } else if (format == PictureFormat::Png && file.size() >= kPngSignature.size()) {
        // A renamed chunk would need a new checksum; the decode needs none
        // of it, so it goes.
        if (const std::optional<std::size_t> chunk = PngExifChunk(file)) {
            const auto at = file.begin() + static_cast<std::ptrdiff_t>(*chunk);
            file.erase(at, at + static_cast<std::ptrdiff_t>(kPngChunkFrame + BigEndian(file, *chunk, 4)));
        }
    }
}

std::span<const std::uint8_t> ExifBlock(PictureFormat format, std::span<const std::uint8_t> file)
{
    if (format == PictureFormat::Jpeg)
        return JpegExifBlock(file);
    if (format == PictureFormat::Png && file.size() >= kPngSignature.size())
        return PngExifBlock(file);
    return {};
}

const std::string& UndecodableComplaint(PictureFormat format)
{
    return format == PictureFormat::Jpeg ? kJpegComplaint : kPngComplaint;
}

}  // namespace bmp2cdata
