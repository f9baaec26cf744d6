#pragma once

// What the first bytes of a picture file tell before anything is decoded:
// its format and its size, and the limits a picture must keep to be read.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bmp2cdata {

enum class PictureFormat { Bmp, Png, Jpeg };

// A width and a height: a picture's, or the box it is fitted into.
struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    std::uint64_t Area() const { return std::uint64_t{width} * height; }
    bool operator==(const PictureSize&) const = default;
};

// Pictures are read up to 16 megapixels (4096 x 4096): decoded with 16-bit
// samples, one takes 128 MiB.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{4096} * 4096;

// What one picture may take in all, its file and the decoder's working
// memory, so that a run stays under 150 MB.
inline constexpr std::int64_t kPictureMemoryBudget = std::int64_t{144} << 20;

// Picture files are read whole; a longer one is refused unread. A
// 16-megapixel photo takes a few MiB as a JPEG and up to about 90 MiB as a
// 16-bit PNG; the rest of the budget holds an interlaced PNG to be fitted at
// 3 bytes a pixel (48 MiB).
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{96} << 20;
static_assert(kMaxPictureFileBytes + 3 * std::int64_t{4096} * 4096 <= kPictureMemoryBudget);

// How many of a file's first bytes are read before its size is judged:
// enough for the headers of all but a few JPEG files, whose size lies
// beyond large metadata.
inline constexpr std::size_t kPictureHeadBytes = 64 << 10;

inline const std::string kPictureFileTooLongComplaint =
    "This file is too large. Pictures are read from files of at most 96 MiB";
inline const std::string kPngComplaint =
    "This PNG file could not be decoded. It is damaged or of a kind that is not supported";
inline const std::string kJpegComplaint =
    "This JPEG file could not be decoded. It is damaged or of a kind that is not supported";

// PNG by its eight-byte signature, JPEG by its start-of-image marker;
// anything else is judged as a BMP, as every file always was.
PictureFormat SniffPictureFormat(std::span<const std::uint8_t> start);

// The complaint for a file whose first bytes show it to be a picture of a
// format that is not read (GIF, WebP, TIFF, HEIC, AVIF, ICO); nothing for
// any other file, which is then judged as a BMP, PNG or JPEG file.
std::optional<std::string> UnreadFormatComplaint(std::span<const std::uint8_t> start);

// The size a PNG file's header chunk or a JPEG file's frame header
// declares, read from the file's first bytes; nothing when they do not hold
// it (more of the file may, unless start is all of it).
std::optional<PictureSize> DeclaredSize(PictureFormat format, std::span<const std::uint8_t> start);

// Where each of the seven passes of an interlaced PNG file (Adam7) finds its
// pixels: from the column and row it starts at, every columnStep-th column
// of every rowStep-th row.
struct InterlacePass {
    std::uint32_t column = 0;
    std::uint32_t row = 0;
    std::uint32_t columnStep = 1;
    std::uint32_t rowStep = 1;
};
inline constexpr InterlacePass kInterlacePasses[] = {
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
};
inline constexpr int kInterlacePassCount = 7;

// How many pixels the pass-th interlacing pass of a picture of size holds
// across and down; a pass may hold none.
PictureSize InterlacePassSize(PictureSize size, int pass);

// Whether a PNG file held whole may be handed to a decoder: every chunk up to
// the closing IEND lies within the file, and its image data is not too short
// to hold the pixels its header declares even at deflate's best ratio. A
// decoder would refuse either file anyway, but only after allocating for
// what it claims.
bool PngChunksAreSound(std::span<const std::uint8_t> png);

// The complaint for a picture too large to be read, over kMaxPicturePixels.
std::string TooManyPixelsComplaint(PictureSize size);

// The complaint for a picture of this size, or nothing when it may be
// decoded; what comes out of it is judged on its own.
std::optional<std::string> CheckPictureSize(PictureSize size);

// Hides the EXIF blocks and colour profile of a JPEG file held in memory
// (renamed) and a PNG file's eXIf chunk (removed), so that a decoder that
// turns a picture as their orientation says, or converts its colours as
// the profile says (a browser's), gives the values as the file stores them,
// as bmp2cdata's decoders do.
void HideExifOrientationAndProfile(PictureFormat format, std::vector<std::uint8_t>& file);

// The TIFF structure of a file's EXIF block: a JPEG file's first APP1
// segment named Exif, or a PNG file's eXIf chunk; empty when there is none,
// or when the block claims more bytes than the file holds.
std::span<const std::uint8_t> ExifBlock(PictureFormat format, std::span<const std::uint8_t> file);

// The complaint for a PNG or JPEG file that cannot be decoded.
const std::string& UndecodableComplaint(PictureFormat format);

}  // namespace bmp2cdata
