#include "ConvertPicture.h"

#include "CdataTable.h"
#include "ConverterHost.h"
#include "Label.h"
#include "PicturePacking.h"
#include "Orientation.h"
#include "PicturePlan.h"
#include "PixelPacking.h"
#include "Prefault.h"
#include "RowRelay.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

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

std::string SizeText(PictureSize size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

// How much of a BMP file the decode reads: the pixels of one of any size,
// otherwise all of a file short enough to be converted.
std::int64_t BmpBytesWanted(std::span<const std::uint8_t> start, std::int64_t fileLength, bool anySize)
{
    if (!anySize)
        return static_cast<std::int64_t>(BytesWorthReading(fileLength));
    const BmpHeader header = ParseBmpHeader(start);
    if (CheckBmpHeaderToFit(header, fileLength))
        return 0;
    const PixelLayout layout = LayoutOf(header);
    return layout.dataStart + layout.dataLength;
}

// The turn and the mirror the options ask for, after the file's own.
Orientation AskedOrientation(const PictureOptions& options)
{
    return Then(ClockwiseTurn(options.quarterTurns), options.mirror ? kMirror : Orientation{});
}

// Whether a picture of output can be written as tables of whole rows
// within the split's limit.
bool Splits(PictureSize output)
{
    return output.Area() <= kMaxSplitPixels && output.width <= kMaxTablePixels;
}

// The largest size of output's shape within maxPixels, as --fit gives it,
// rows within one table: the longer side is shortened until the fitted
// size holds no more.
PictureSize LargestWithin(PictureSize output, std::uint64_t maxPixels)
{
    const bool wide = output.width >= output.height;
    const std::uint32_t longSide = wide ? output.width : output.height;
    const double estimate = longSide * std::sqrt(static_cast<double>(maxPixels) / static_cast<double>(output.Area()));
    for (auto side = static_cast<std::uint32_t>(std::min<double>(longSide, estimate + 2)); side > 1; --side) {
        const PictureSize fitted = FittedSize(output, wide ? PictureSize{side, output.height} : PictureSize{output.width, side});
        if (fitted.Area() <= maxPixels && fitted.width <= kMaxTablePixels)
            return fitted;
    }
    return FittedSize(output, {1, 1});
}

// A side of "WxH", digits alone: any number too long to hold reads as the
// largest, which no limit takes; nothing when it is not a number.
std::optional<std::uint64_t> ParseSide(std::string_view digits)
{
    std::uint64_t value = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || parsed.ptr != digits.data() + digits.size() || parsed.ec == std::errc::invalid_argument)
        return std::nullopt;
    return parsed.ec == std::errc::result_out_of_range ? std::numeric_limits<std::uint64_t>::max() : value;
}

std::string SizingVerb(const PictureOptions& options)
{
    if (options.box && options.sizing == Sizing::Fill)
        return "fill ";
    if (options.box && options.sizing == Sizing::Pad)
        return "pad to ";
    return "fit into ";
}

// Builds a picture of size whose rows addRows hands over, as plan says;
// failure when they do not come whole.
template <typename AddRows>
LoadedPicture BuildPlanned(PictureSize size, const PicturePlan& plan, const PictureOptions& options,
                           const std::string& failure, AddRows addRows)
{
    PictureBuilder builder(size, plan.enlarges ? ScaledWindow::Whole(size) : plan.stored, options.background);
    if (!addRows(builder) || !builder.Complete())
        return Refused(failure);
    return {{}, FinishedPicture(builder.Finish(), plan, options)};
}

LoadedPicture LoadBmp(std::span<const std::uint8_t> bytes, std::int64_t fileLength, const PictureOptions& options)
{
    const DecodedBmp decoded =
        DecodeBmpCheckedBy(bytes, fileLength, options.ReadAnySize() ? CheckBmpHeaderToFit : CheckBmpHeader);
    if (!decoded.Converts())
        return Refused(decoded.complaint);
    const PictureSize size{decoded.image.layout.width, decoded.image.layout.height};
    const PicturePlan plan = PlanPicture(size, AskedOrientation(options), options);
    if (std::optional<std::string> complaint = OutputComplaint(plan.output, options))
        return Refused(std::move(*complaint));
    Picture built = PictureFromBmp(decoded.image, plan.enlarges ? std::nullopt : std::optional(plan.stored));
    return {{}, FinishedPicture(std::move(built), plan, options)};
}

LoadedPicture LoadDecoded(PictureFormat format, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                          PictureDecoder& decoder, const PictureOptions& options)
{
    PendingPicture pending(bytes, fileLength, options);
    const std::optional<PictureSize> size = pending.Wanted();
    return pending.Finish(size && DecodeAlongside(*size, pending.Rows(), [&](RgbaRows& rows) {
                              return decoder.Decode(format, bytes, *size, rows);
                          }));
}

// Whether a picture of size is refused for what comes out of it whichever
// way up it is shown: judged before the file is read whole, when its EXIF
// block may not have been.
bool OutputTooLargeAnyWayUp(PictureSize size, const PictureOptions& options)
{
    const Orientation asked = AskedOrientation(options);
    return OutputComplaint(PlanPicture(size, asked, options).output, options) &&
           OutputComplaint(PlanPicture(size, Then(ClockwiseTurn(1), asked), options).output, options);
}

}  // namespace

// Its declared size, and the size it comes out at, are judged before the
// decoder allocates anything for its pixels.
PendingPicture::PendingPicture(std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                               const PictureOptions& options)
    : format_(SniffPictureFormat(bytes)), options_(options)
{
    refused_ = Check(bytes, fileLength);
    if (refused_.empty())
        builder_.emplace(size_, plan_.enlarges ? ScaledWindow::Whole(size_) : plan_.stored, options.background);
}

std::string PendingPicture::Check(std::span<const std::uint8_t> bytes, std::int64_t fileLength)
{
    if (fileLength > kMaxPictureFileBytes)
        return kPictureFileTooLongComplaint;
    const std::optional<PictureSize> size = DeclaredSize(format_, bytes);
    if (!size)
        return UndecodableComplaint(format_);
    if (std::optional<std::string> complaint = CheckPictureSize(*size))
        return *complaint;
    size_ = *size;
    // A file too large for its tables either way up has been read only as
    // far as its size.
    const Orientation stored = ExifOrientation(ExifOrientationValue(ExifBlock(format_, bytes)));
    plan_ = PlanPicture(size_, Then(stored, AskedOrientation(options_)), options_);
    if (std::optional<std::string> complaint = OutputComplaint(plan_.output, options_))
        return *complaint;
    // A file that shrank while it was read.
    if (static_cast<std::int64_t>(bytes.size()) < fileLength)
        return UndecodableComplaint(format_);
    return {};
}

std::optional<PictureSize> PendingPicture::Wanted() const
{
    return builder_ ? std::optional(size_) : std::nullopt;
}

LoadedPicture PendingPicture::Finish(bool decoded)
{
    if (!refused_.empty())
        return Refused(std::move(refused_));
    if (!decoded || !builder_->Complete())
        return Refused(UndecodableComplaint(format_));
    return {{}, FinishedPicture(builder_->Finish(), plan_, options_)};
}

bool TakesPictureRoad(std::span<const std::uint8_t> start, const PictureOptions& options)
{
    return options.ChangePixels() || SniffPictureFormat(start) != PictureFormat::Bmp;
}

FitBox ParseFitBox(std::string_view text)
{
    const std::size_t times = text.find_first_of("xX");
    const std::optional<std::uint64_t> width = ParseSide(text.substr(0, times));
    const std::optional<std::uint64_t> height =
        times == std::string_view::npos ? std::nullopt : ParseSide(text.substr(times + 1));
    if (!width || !height || *width == 0 || *height == 0)
        return {std::nullopt, FitBox::Problem::NotASize};
    if (*width > kMaxBoxSide || *height > kMaxBoxSide)
        return {std::nullopt, FitBox::Problem::SideTooLong};
    return {PictureSize{static_cast<std::uint32_t>(*width), static_cast<std::uint32_t>(*height)},
            FitBox::Problem::None};
}

std::optional<std::string> OutputComplaint(PictureSize output, const PictureOptions& options,
                                           std::string_view remedy)
{
    const bool splits = Splits(output);
    if (output.Area() <= kMaxTablePixels || (options.split && splits))
        return std::nullopt;
    std::string complaint = SizeText(output) + " is " + std::to_string(output.Area()) + " pixels, more than the ";
    if (!options.split) {
        complaint += std::to_string(kMaxTablePixels) + " of one table: ";
        if (splits)
            complaint += "add --split to write " + std::to_string(SplitTableCount(output.width, output.height)) +
                         " tables, or ";
    } else {
        complaint += std::to_string(kMaxSplitPixels) + " that --split writes: ";
    }
    const PictureSize largest = LargestWithin(output, options.split ? kMaxSplitPixels : kMaxTablePixels);
    complaint += remedy.empty() ? SizingVerb(options) : std::string(remedy);
    return complaint + std::to_string(largest.width) + "x" + std::to_string(largest.height);
}

std::int64_t PictureBytesWanted(std::span<const std::uint8_t> start, std::int64_t fileLength,
                                const PictureOptions& options)
{
    const PictureFormat format = SniffPictureFormat(start);
    if (format == PictureFormat::Bmp)
        return std::max<std::int64_t>(BmpBytesWanted(start, fileLength, options.ReadAnySize()), kBmpHeaderBytes);
    if (fileLength > kMaxPictureFileBytes)
        return 0;
    const std::optional<PictureSize> size = DeclaredSize(format, start);
    if (size && (CheckPictureSize(*size) || OutputTooLargeAnyWayUp(*size, options)))
        return 0;
    return fileLength;
}

LoadedPicture LoadPictureBytes(std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                               PictureDecoder& decoder, const PictureOptions& options)
{
    const PictureFormat format = SniffPictureFormat(bytes);
    if (format == PictureFormat::Bmp)
        return LoadBmp(bytes, fileLength, options);
    return LoadDecoded(format, bytes, fileLength, decoder, options);
}

LoadedPicture LoadTestCard(PictureSize size, const PictureOptions& options)
{
    const PicturePlan plan = PlanPicture(size, AskedOrientation(options), options);
    // Without a box, a smaller card is the way to a table, not a fit of a
    // card whose one-pixel frame would then be averaged away.
    if (std::optional<std::string> complaint =
            OutputComplaint(plan.output, options, options.box ? std::string_view{} : "use --test-card "))
        return Refused(std::move(*complaint));
    const Picture card = TestCard(size);
    return BuildPlanned(size, plan, options, {}, [&](PictureBuilder& builder) {
        std::vector<std::uint8_t> rgba(std::size_t{size.width} * 4, 0xFF);
        for (std::uint32_t row = 0; row < size.height; ++row) {
            for (std::uint32_t column = 0; column < size.width; ++column)
                std::copy_n(card.rgb.begin() + static_cast<std::ptrdiff_t>((std::size_t{row} * size.width + column) * 3),
                            3, rgba.begin() + static_cast<std::ptrdiff_t>(column) * 4);
            builder.AddRow(std::span<const std::uint8_t>(rgba));
        }
        return true;
    });
}

namespace {

std::vector<TableSource> TablesOf(const std::string& label, const Picture& picture, const PictureOptions& options,
                                  const std::uint16_t* values)
{
    if (options.split)
        return SplitIntoTables(label, picture.width, picture.height, values);
    return {{label, static_cast<std::int32_t>(picture.width), static_cast<std::int32_t>(picture.height), values}};
}

}  // namespace

void ConvertPicture(ConverterHost& host, const std::string& label, const Picture& picture,
                    const PictureOptions& options)
{
    if (BreaksSourceText(label)) {
        host.AddLine(kSourceBreakingLabelComplaint);
        return;
    }
    if (std::optional<std::string> complaint = OutputComplaint({picture.width, picture.height}, options)) {
        host.AddLine(*complaint);
        return;
    }
    const auto area = static_cast<std::size_t>(picture.Area());
    std::vector<std::uint16_t> values;
    values.reserve(area);
    PrefaultCapacity(values);
    values.resize(area);
    PackPicture(picture, host.Rgb332Selected(), options.dither, values);
    WriteCdataTables(host, TablesOf(label, picture, options, values.data()));
}

std::size_t PictureOutputLength(const std::string& label, const Picture& picture, const PictureOptions& options,
                                bool byteTable, std::size_t lineEndLength)
{
    return RunOutputLength(TablesOf(label, picture, options, nullptr), byteTable, lineEndLength);
}

}  // namespace bmp2cdata
