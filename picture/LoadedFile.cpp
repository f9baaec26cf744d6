#include "LoadedFile.h"

#include "CdataTable.h"
#include "ConverterHost.h"
#include "Label.h"

#include <algorithm>

namespace bmp2cdata {

namespace {

// Standard input is read in pieces of this size, so that a short stream
// never has the longest file's room reserved for it.
constexpr std::size_t kStreamPiece = std::size_t{1} << 20;

// A stream's length shows only at its end: a BMP file's road reads one byte
// beyond the longest BMP file that converts, a picture's one beyond the
// longest picture file, so that a longer stream is refused on its length.
std::int64_t StreamBytesToRead(std::span<const std::uint8_t> head, const PictureOptions& options)
{
    if (head.size() < kBmpHeaderBytes)
        return kBmpHeaderBytes;
    const bool bmpRoad = SniffPictureFormat(head) == PictureFormat::Bmp && !options.ReadAnySize();
    return bmpRoad ? static_cast<std::int64_t>(kBmpHeaderBytes) + kMaxPixelDataBytes + 1 : kMaxPictureFileBytes + 1;
}

}  // namespace

std::int64_t BytesToRead(std::span<const std::uint8_t> head, std::optional<std::int64_t> length,
                         const PictureOptions& options)
{
    if (!length)
        return StreamBytesToRead(head, options);
    const auto read = static_cast<std::int64_t>(head.size());
    // Enough to tell the format, and the size of a BMP or PNG file.
    const std::int64_t start = std::min<std::int64_t>(*length, kBmpHeaderBytes);
    if (read < start)
        return start;
    // A JPEG file's size may lie beyond its metadata.
    const PictureFormat format = SniffPictureFormat(head);
    const std::int64_t jpegStart = std::min<std::int64_t>(*length, kPictureHeadBytes);
    if (format == PictureFormat::Jpeg && read < jpegStart && !DeclaredSize(format, head))
        return jpegStart;
    return std::min(*length, PictureBytesWanted(head, *length, options));
}

LoadedFile::LoadedFile(std::span<const std::uint8_t> bytes, std::int64_t fileLength, const std::string& label,
                       PictureDecoder& decoder, const PictureOptions& options)
    : label_(label), options_(options)
{
    Load(bytes, fileLength, decoder, options, nullptr);
}

LoadedFile::LoadedFile(BmpFileBytes file, const std::string& label, PictureDecoder& decoder,
                       const PictureOptions& options)
    : label_(label), options_(options)
{
    Load(file.bytes, file.length, decoder, options, &file);
}

void LoadedFile::Load(std::span<const std::uint8_t> bytes, std::int64_t fileLength, PictureDecoder& decoder,
                      const PictureOptions& options, BmpFileBytes* owned)
{
    if (BreaksSourceText(label_)) {
        complaint_ = kSourceBreakingLabelComplaint;
    } else if (std::optional<std::string> unread = UnreadFormatComplaint(bytes)) {
        complaint_ = std::move(*unread);
    } else if (!TakesPictureRoad(bytes, options)) {
        // The bytes handed over, or a copy: a BMP file's road never reads
        // more than a table's worth.
        bmp_.emplace(owned ? std::move(*owned) : BmpFileBytes{{bytes.begin(), bytes.end()}, fileLength});
        complaint_ = bmp_->Decoded().complaint;
    } else {
        LoadedPicture loaded = LoadPictureBytes(bytes, fileLength, decoder, options);
        complaint_ = std::move(loaded.complaint);
        picture_ = std::move(loaded.picture);
    }
}

LoadedFile::LoadedFile(std::string complaint, const std::string& label)
    : complaint_(std::move(complaint)), label_(label)
{
}

LoadedFile::LoadedFile(LoadedPicture picture, const std::string& label, const PictureOptions& options)
    : complaint_(std::move(picture.complaint)), label_(label), picture_(std::move(picture.picture)), options_(options)
{
    if (BreaksSourceText(label_))
        complaint_ = kSourceBreakingLabelComplaint;
}

std::int32_t LoadedFile::Width() const
{
    return bmp_ ? bmp_->Decoded().image.width : static_cast<std::int32_t>(picture_.width);
}

std::int32_t LoadedFile::Height() const
{
    return bmp_ ? bmp_->Decoded().image.height : static_cast<std::int32_t>(picture_.height);
}

void LoadedFile::Convert(ConverterHost& host) const
{
    if (bmp_)
        ConvertDecodedBmp(host, label_, bmp_->Decoded());
    else if (!complaint_.empty())
        host.AddLine(complaint_);
    else
        ConvertPicture(host, label_, picture_, options_);
}

std::size_t LoadedFile::OutputLength(bool rgb332, std::size_t lineEndLength) const
{
    if (bmp_)
        return RunOutputLength(label_, Width(), Height(), rgb332, lineEndLength);
    return PictureOutputLength(label_, picture_, options_, rgb332, lineEndLength);
}

std::optional<std::string> LoadedFile::Warning() const
{
    if (!bmp_ || !complaint_.empty())
        return std::nullopt;
    return AmountWarning(bmp_->Decoded().image.layout.pixelCount);
}

PreviewContent LoadedFile::Preview(bool rgb332) const
{
    if (bmp_)
        return PreviewOfDecoded(bmp_->File().bytes, bmp_->Decoded(), rgb332);
    if (!complaint_.empty()) {
        PreviewContent refused;
        refused.verdict = complaint_;
        return refused;
    }
    return PreviewOfPicture(picture_, rgb332, options_);
}

LoadedFile LoadFile(const std::string& path, const std::string& label, PictureDecoder& decoder,
                    const PictureOptions& options)
{
    // A name that cannot label the table is refused before the file is opened.
    if (BreaksSourceText(label))
        return {kSourceBreakingLabelComplaint, label};
    std::optional<BmpFileBytes> file =
        ReadFileAsNeeded(path, kPictureHeadBytes, [&](std::span<const std::uint8_t> head, std::int64_t length) {
            return BytesToRead(head, length, options);
        });
    if (!file)
        return {kNotFoundComplaint + path, label};
    return {std::move(*file), label, decoder, options};
}

LoadedFile LoadStream(const StreamReader& read, const std::string& complaint, const std::string& label,
                      PictureDecoder& decoder, const PictureOptions& options)
{
    if (BreaksSourceText(label))
        return {kSourceBreakingLabelComplaint, label};
    LargeBytes bytes;
    for (;;) {
        const auto wanted = static_cast<std::size_t>(BytesToRead(bytes, std::nullopt, options));
        if (wanted <= bytes.size())
            break;
        const std::size_t count = std::min(wanted - bytes.size(), kStreamPiece);
        const std::optional<std::vector<std::uint8_t>> piece = read(count);
        if (!piece)
            return {complaint, label};
        bytes.insert(bytes.end(), piece->begin(), piece->end());
        if (piece->size() < count)
            break;
    }
    const auto length = static_cast<std::int64_t>(bytes.size());
    return {BmpFileBytes{std::move(bytes), length}, label, decoder, options};
}

}  // namespace bmp2cdata
