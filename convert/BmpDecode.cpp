#include "BmpDecode.h"

#include <algorithm>

namespace bmp2cdata {

DecodedBmp DecodeBmpCheckedBy(std::span<const std::uint8_t> bytes, std::int64_t fileLength, BmpHeaderCheck check)
{
    const BmpHeader header = ParseBmpHeader(bytes);
    DecodedBmp decoded;
    if (std::optional<std::string> complaint = check(header, fileLength)) {
        decoded.complaint = std::move(*complaint);
        return decoded;
    }
    const PixelLayout layout = LayoutOf(header);
    // Bytes the caller could not supply (a file that shrank while it was
    // read) are missing pixels like any other.
    const auto available = static_cast<std::int64_t>(bytes.size());
    if (layout.pixelCount > 0 && layout.dataStart + layout.dataLength > available) {
        decoded.complaint = kIncompleteComplaint;
        return decoded;
    }
    decoded.image = {header.width, header.height, layout, {}};
    if (layout.pixelCount > 0)
        decoded.image.pixelData = bytes.subspan(static_cast<std::size_t>(layout.dataStart),
                                                static_cast<std::size_t>(layout.dataLength));
    return decoded;
}

DecodedBmp DecodeBmp(std::span<const std::uint8_t> bytes, std::int64_t fileLength)
{
    return DecodeBmpCheckedBy(bytes, fileLength, CheckBmpHeader);
}

std::size_t BytesWorthReading(std::int64_t fileLength)
{
    if (fileLength - static_cast<std::int64_t>(kBmpHeaderBytes) > kMaxPixelDataBytes)
        return kBmpHeaderBytes;
    return static_cast<std::size_t>(std::max<std::int64_t>(fileLength, 0));
}

DecodedBmp DecodeBmp(std::span<const std::uint8_t> file)
{
    return DecodeBmp(file, static_cast<std::int64_t>(file.size()));
}

}  // namespace bmp2cdata
