#include "ConvertPicture.h"

#include "CdataTable.h"
#include "ConverterHost.h"
#include "Label.h"
#include "PicturePacking.h"
#include "PixelPacking.h"

#include <algorithm>
#include <charconv>
#include <memory>

namespace bmp2cdata {

namespace {

// A BMP file whose picture is to be fitted: compression and bit count as
// always, but any bottom-up size a picture may have, in a file of any
// length that holds its pixels.
std::optional<std::string> CheckBmpHeaderToFit(const BmpHeader& header, std::int64_t fileLength)
{
    if (std::optional<std::string> complaint = CheckBmpFormat(header))
        return complaint;
    if (header.width < 0 || header.height < 0)
        return kBottomUpComplaint;
    const PictureSize size{static_cast<std::uint32_t>(header.width), static_cast<std::uint32_t>(header.height)};
    if (size.Area() > kMaxPicturePixels)
        return TooManyPixelsComplaint(size);
    const PixelLayout layout = LayoutOf(header);
    // Pixels that lie far into a file would have the whole file read.
    if (layout.dataStart + layout.dataLength > kMaxPictureFileBytes)
        return kPictureFileTooLongComplaint;
    return CheckBmpData(layout, fileLength);
}

LoadedPicture Refused(std::string complaint)
{
    return {std::move(complaint), {}};
}

// How much of a BMP file the decode reads: the pixels of one to be fitted,
// otherwise all of a file short enough to be converted.
std::int64_t BmpBytesWanted(std::span<const std::uint8_t> start, std::int64_t fileLength, bool fitted)
{
    if (!fitted)
        return static_cast<std::int64_t>(BytesWorthReading(fileLength));
    const BmpHeader header = ParseBmpHeader(start);
    if (CheckBmpHeaderToFit(header, fileLength))
        return 0;
    const PixelLayout layout = LayoutOf(header);
    return layout.dataStart + layout.dataLength;
}

LoadedPicture LoadBmp(std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                      const std::optional<PictureSize>& fit)
{
    const DecodedBmp decoded = DecodeBmpCheckedBy(bytes, fileLength, fit ? CheckBmpHeaderToFit : CheckBmpHeader);
    if (!decoded.Converts())
        return Refused(decoded.complaint);
    return {{}, PictureFromBmp(decoded.image, fit)};
}

// A PNG or JPEG file: its declared size is judged before the decoder
// allocates anything for its pixels.
LoadedPicture LoadDecoded(PictureFormat format, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                          PictureDecoder& decoder, const PictureOptions& options)
{
    if (fileLength > kMaxPictureFileBytes)
        return Refused(kPictureFileTooLongComplaint);
    const std::optional<PictureSize> size = DeclaredSize(format, bytes);
    if (!size)
        return Refused(UndecodableComplaint(format));
    if (std::optional<std::string> complaint = CheckPictureSize(*size, options.fit.has_value()))
        return Refused(std::move(*complaint));
    // A file that shrank while it was read.
    if (static_cast<std::int64_t>(bytes.size()) < fileLength)
        return Refused(UndecodableComplaint(format));
    PictureBuilder builder(*size, options.fit, options.background);
    if (!decoder.Decode(format, bytes, *size, builder) || !builder.Complete())
        return Refused(UndecodableComplaint(format));
    return {{}, builder.Finish()};
}

}  // namespace

bool TakesPictureRoad(std::span<const std::uint8_t> start, const PictureOptions& options)
{
    return options.fit || options.dither || SniffPictureFormat(start) != PictureFormat::Bmp;
}

FitBox ParseFitBox(std::string_view text)
{
    PictureSize size;
    const char* end = text.data() + text.size();
    const auto width = std::from_chars(text.data(), end, size.width);
    const auto height = width.ptr != end && (*width.ptr == 'x' || *width.ptr == 'X')
                            ? std::from_chars(width.ptr + 1, end, size.height)
                            : std::from_chars_result{width.ptr, std::errc::invalid_argument};
    if (width.ec != std::errc() || height.ec != std::errc() || height.ptr != end || size.Area() == 0)
        return {std::nullopt, FitBox::Problem::NotASize};
    if (size.Area() > kImageCapacity)
        return {std::nullopt, FitBox::Problem::LargerThanTable};
    return {size, FitBox::Problem::None};
}

std::int64_t PictureBytesWanted(std::span<const std::uint8_t> start, std::int64_t fileLength,
                                const PictureOptions& options)
{
    const PictureFormat format = SniffPictureFormat(start);
    if (format == PictureFormat::Bmp)
        return std::max<std::int64_t>(BmpBytesWanted(start, fileLength, options.fit.has_value()), kBmpHeaderBytes);
    if (fileLength > kMaxPictureFileBytes)
        return 0;
    const std::optional<PictureSize> size = DeclaredSize(format, start);
    if (size && CheckPictureSize(*size, options.fit.has_value()))
        return 0;
    return fileLength;
}

LoadedPicture LoadPictureBytes(std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                               PictureDecoder& decoder, const PictureOptions& options)
{
    const PictureFormat format = SniffPictureFormat(bytes);
    if (format == PictureFormat::Bmp)
        return LoadBmp(bytes, fileLength, options.fit);
    return LoadDecoded(format, bytes, fileLength, decoder, options);
}

void ConvertPicture(ConverterHost& host, const std::string& label, const Picture& picture, bool dither)
{
    if (BreaksSourceText(label)) {
        host.AddLine(kSourceBreakingLabelComplaint);
        return;
    }
    if (picture.Area() > kImageCapacity) {
        host.AddLine(TooLargeForTableComplaint({picture.width, picture.height}));
        return;
    }
    // Left uninitialised: the packing writes every slot the table lists.
    const std::unique_ptr<ImageData> data(new ImageData);
    PackPicture(picture, host.Rgb332Selected(), dither, *data);
    WriteCdataTable(host, {label, static_cast<std::int32_t>(picture.width),
                           static_cast<std::int32_t>(picture.height), data.get()});
}

}  // namespace bmp2cdata
