#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace bmp2cdata {

// The 54 bytes of a BMP file header followed by its classic info header.
inline constexpr std::size_t kBmpHeaderBytes = 54;

// The one pixel format converted: three bytes a pixel, blue, green, red.
inline constexpr std::uint16_t kRequiredBitCount = 24;

// Slots in the image buffer. A table of more values does not fit the LCD
// programs the text is pasted into.
inline constexpr std::uint32_t kImageCapacity = 76242;

// Largest accepted pixel-data length (file length minus the header): the
// biggest multiple of three below the buffer's capacity in bytes.
inline constexpr std::int64_t kMaxPixelDataBytes = 228723;

// The size quoted by the too-large complaint; users know the limit by it.
inline constexpr std::uint32_t kQuotedMaxSize = 230400;

inline const std::string kCompressionComplaint =
    "Incorrect image compression. The BMP file must be an uncompressed, 24-bit type";
inline const std::string kBitCountComplaint =
    "Incorrect image type. The BMP file must be a 24-bit, uncompressed type";
inline const std::string kTooLargeComplaint =
    "This file is too large. Maximum supported size is :" + std::to_string(kQuotedMaxSize);
inline const std::string kImageSizeComplaint =
    "Incorrect image size. The BMP file must be a bottom-up image of at most 76242 pixels";
inline const std::string kIncompleteComplaint =
    "This file is incomplete. It holds less pixel data than its header declares";
inline const std::string kBottomUpComplaint =
    "Incorrect image size. The BMP file must be a bottom-up image";
inline const std::string kNotFoundComplaint = "Could not find file ";

// The header fields, in file order, each read little-endian.
struct BmpHeader {
    std::uint16_t type = 0;
    std::uint32_t fileSize = 0;
    std::uint32_t reserved = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t xPixelsPerMeter = 0;
    std::uint32_t yPixelsPerMeter = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t coloursImportant = 0;
};

// Where the pixels of an accepted header lie in the file.
struct PixelLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pixelCount = 0;
    std::int64_t dataStart = 0;
    std::int64_t rowStride = 0;
    // Bytes from dataStart to the last pixel's last byte; the padding after
    // the last row is not needed.
    std::int64_t dataLength = 0;
};

// Decodes the fields from the first 54 bytes of a file; bytes a shorter
// start lacks read as zero.
BmpHeader ParseBmpHeader(std::span<const std::uint8_t> start);

// The pixel layout a header declares; only meaningful for a header whose
// width and height are non-negative.
PixelLayout LayoutOf(const BmpHeader& header);

// The complaint the converter gives for this header and file length, or
// nothing when the file will be converted.
std::optional<std::string> CheckBmpHeader(const BmpHeader& header, std::int64_t fileLength);

// The format's own checks, which every BMP file passes: compression and
// bit count.
std::optional<std::string> CheckBmpFormat(const BmpHeader& header);

// Whether the file's length holds the pixels the layout declares.
std::optional<std::string> CheckBmpData(const PixelLayout& layout, std::int64_t fileLength);

}  // namespace bmp2cdata
