#include "BmpHeader.h"


#include <algorithm>
#include <array>

namespace bmp2cdata {

namespace {

// The bitmap format's rows are padded to whole 32-bit words.
constexpr std::int64_t kRowAlignment = 4;
constexpr std::int64_t kBytesPerPixel = 3;

class FieldReader {
public:
    explicit FieldReader(const std::array<std::uint8_t, kBmpHeaderBytes>& bytes) : bytes_(bytes) {}

    std::uint16_t Next16() { return static_cast<std::uint16_t>(NextBytes(2)); }
    std::uint32_t Next32() { return NextBytes(4); }

private:
    std::uint32_t NextBytes(std::size_t count)
    {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value |= static_cast<std::uint32_t>(bytes_[position_ + i]) << (8 * i);
        position_ += count;
        return value;
    }

    const std::array<std::uint8_t, kBmpHeaderBytes>& bytes_;
    std::size_t position_ = 0;
};

}  // namespace

BmpHeader ParseBmpHeader(std::span<const std::uint8_t> start)
{
    std::array<std::uint8_t, kBmpHeaderBytes> bytes{};
    std::copy_n(start.begin(), std::min(start.size(), bytes.size()), bytes.begin());
    FieldReader reader(bytes);
    BmpHeader header;
    header.type = reader.Next16();
    header.fileSize = reader.Next32();
    header.reserved = reader.Next32();
    header.pixelOffset = reader.Next32();
    header.infoSize = reader.Next32();
    header.width = static_cast<std::int32_t>(reader.Next32());
    header.height = static_cast<std::int32_t>(reader.Next32());
    header.planes = reader.Next16();
    header.bitCount = reader.Next16();
    header.compression = reader.Next32();
    header.imageSize = reader.Next32();
    header.xPixelsPerMeter = reader.Next32();
    header.yPixelsPerMeter = reader.Next32();
    header.coloursUsed = reader.Next32();
    header.coloursImportant = reader.Next32();
    return header;
}

PixelLayout LayoutOf(const BmpHeader& header)
{
    PixelLayout layout;
    layout.width = static_cast<std::uint32_t>(header.width);
    layout.height = static_cast<std::uint32_t>(header.height);
    layout.pixelCount = layout.width * layout.height;
    // Offsets below the end of the classic header point into the header
    // itself; such files put their pixels right after it.
    layout.dataStart = std::max<std::int64_t>(header.pixelOffset, kBmpHeaderBytes);
    const std::int64_t rowBytes = std::int64_t{layout.width} * kBytesPerPixel;
    layout.rowStride = (rowBytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    if (layout.pixelCount > 0)
        layout.dataLength = (std::int64_t{layout.height} - 1) * layout.rowStride + rowBytes;
    return layout;
}

std::optional<std::string> CheckBmpFormat(const BmpHeader& header)
{
    if (header.compression != 0)
        return kCompressionComplaint;
    if (header.bitCount != kRequiredBitCount)
        return kBitCountComplaint;
    return std::nullopt;
}

std::optional<std::string> CheckBmpData(const PixelLayout& layout, std::int64_t fileLength)
{
    if (layout.pixelCount > 0 && layout.dataStart + layout.dataLength > fileLength)
        return kIncompleteComplaint;
    return std::nullopt;
}

std::optional<std::string> CheckBmpHeader(const BmpHeader& header, std::int64_t fileLength)
{
    if (std::optional<std::string> complaint = CheckBmpFormat(header))
        return complaint;
    if (fileLength - static_cast<std::int64_t>(kBmpHeaderBytes) > kMaxPixelDataBytes)
        return kTooLargeComplaint;
    // Top-down images (negative height) and negative widths are refused, as
    // is any image whose true pixel count overflows the buffer.
    if (header.width < 0 || header.height < 0)
        return kImageSizeComplaint;
    if (std::int64_t{header.width} * header.height > kImageCapacity)
        return kImageSizeComplaint;
    return CheckBmpData(LayoutOf(header), fileLength);
}

}  // namespace bmp2cdata
