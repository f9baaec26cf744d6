#include "PageConversion.h"

#include "BmpDecode.h"
#include "BufferHost.h"
#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "ConvertPicture.h"
#include "Label.h"

#include <algorithm>

namespace {

// The field's text as bmp2cdata's --fit takes it: without spaces, and with
// the multiplication sign the field shows written as x.
std::string FitArgument(std::string_view text)
{
    constexpr std::string_view kTimes = "\u00D7";
    std::string argument;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text.substr(at).starts_with(kTimes)) {
            argument += 'x';
            at += kTimes.size() - 1;
        } else if (text[at] != ' ') {
            argument += text[at];
        }
    }
    return argument;
}

// The page's options as a picture takes them; the field's text must have
// passed FitComplaint.
PictureOptions PictureOptionsOf(const PageOptions& options)
{
    const std::string fit = FitArgument(options.fit);
    return {fit.empty() ? std::nullopt : ParseFitBox(fit).size, options.dither, options.background};
}

// Hands the browser's decode over to the loading of a picture as the
// command line's decoders hand over theirs, and notes that it was asked.
class BrowserDecoder final : public PictureDecoder {
public:
    explicit BrowserDecoder(const BrowserPicture* picture) : picture_(picture) {}

    bool Decode(PictureFormat, std::span<const std::uint8_t>, PictureSize declared, RgbaRows& rows) override
    {
        asked_ = true;
        if (picture_ == nullptr || !picture_->decoded || picture_->size != declared ||
            picture_->rgba.size() != declared.Area() * 4)
            return false;
        const std::size_t rowLength = std::size_t{declared.width} * 4;
        for (std::size_t at = 0; at < picture_->rgba.size(); at += rowLength)
            rows.AddRow(picture_->rgba.subspan(at, rowLength));
        return true;
    }

    bool Asked() const { return asked_; }

private:
    const BrowserPicture* picture_;
    bool asked_ = false;
};

void Refuse(PageConversion& conversion, ConverterHost& host, const std::string& complaint)
{
    host.AddLine(complaint);
    conversion.preview.verdict = complaint;
}

void AskToDecode(PageConversion& conversion, std::span<const std::uint8_t> bytes)
{
    conversion.decode = SniffPictureFormat(bytes);
    conversion.bytesToDecode.assign(bytes.begin(), bytes.end());
    if (conversion.decode == PictureFormat::Jpeg)
        HideExifOrientation(conversion.bytesToDecode);
}

void ConvertPictureForPage(PageConversion& conversion, BufferHost& host, std::span<const std::uint8_t> bytes,
                           std::int64_t fileLength, const PictureOptions& options, const BrowserPicture* picture)
{
    BrowserDecoder decoder(picture);
    const LoadedPicture loaded = LoadPictureBytes(bytes, fileLength, decoder, options);
    if (decoder.Asked() && picture == nullptr) {
        AskToDecode(conversion, bytes);
        return;
    }
    if (!loaded.Converts()) {
        Refuse(conversion, host, loaded.complaint);
        return;
    }
    ConvertPicture(host, conversion.label, loaded.picture, options.dither);
    conversion.preview = PreviewOfPicture(loaded.picture, host.Rgb332Selected(), options.dither);
}

void ConvertBmpForPage(PageConversion& conversion, BufferHost& host, std::span<const std::uint8_t> bytes,
                       std::int64_t fileLength)
{
    const DecodedBmp decoded = DecodeBmp(bytes, fileLength);
    ConvertDecodedBmp(host, conversion.label, decoded);
    conversion.preview = PreviewOfDecoded(bytes, decoded, host.Rgb332Selected());
}

}  // namespace

std::int64_t PageBytesToRead(std::span<const std::uint8_t> head, std::int64_t fileLength, const PageOptions& options)
{
    const auto read = static_cast<std::int64_t>(head.size());
    // Enough to tell the format, and the size of a BMP or PNG file.
    const std::int64_t start = std::min<std::int64_t>(fileLength, kBmpHeaderBytes);
    if (read < start)
        return start;
    // A JPEG file's size may lie beyond its metadata: as much is read as
    // bmp2cdata reads before it judges a file.
    const PictureFormat format = SniffPictureFormat(head);
    const std::int64_t jpegStart = std::min<std::int64_t>(fileLength, kPictureHeadBytes);
    if (format == PictureFormat::Jpeg && read < jpegStart && !DeclaredSize(format, head))
        return jpegStart;
    if (FitComplaint(options.fit))
        return read;
    return std::min(fileLength, PictureBytesWanted(head, fileLength, PictureOptionsOf(options)));
}

std::optional<std::string> FitComplaint(std::string_view text)
{
    const std::string argument = FitArgument(text);
    if (argument.empty())
        return std::nullopt;
    switch (ParseFitBox(argument).problem) {
    case FitBox::Problem::NotASize:
        return "Fit to W \u00D7 H needs a width and a height such as 160x128";
    case FitBox::Problem::LargerThanTable:
        return "Fit to " + argument + " is larger than a table: W \u00D7 H must be at most " +
               std::to_string(kImageCapacity);
    case FitBox::Problem::None:
        break;
    }
    return std::nullopt;
}

PageConversion ConvertForPage(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                              const PageOptions& options, const BrowserPicture* picture)
{
    PageConversion conversion;
    // The page has no Close button, but a run must never start stopped.
    StopConversion = false;
    BufferHost host(options.rgb332, conversion.output);
    conversion.label = LabelFromPath(name);
    if (const std::optional<std::string> complaint = FitComplaint(options.fit))
        Refuse(conversion, host, *complaint);
    // As on the command line, a name that cannot label the table is refused
    // before anything is decoded.
    else if (BreaksSourceText(conversion.label))
        Refuse(conversion, host, kSourceBreakingLabelComplaint);
    else if (const PictureOptions pictureOptions = PictureOptionsOf(options); TakesPictureRoad(bytes, pictureOptions))
        ConvertPictureForPage(conversion, host, bytes, fileLength, pictureOptions, picture);
    else
        ConvertBmpForPage(conversion, host, bytes, fileLength);
    if (const std::optional<std::string_view> table = host.Clipboard())
        conversion.tableLength = table->size();
    return conversion;
}

PageConversion UnreadableForPage(const std::string& name)
{
    PageConversion conversion;
    conversion.output = kNotFoundComplaint + name + "\n";
    conversion.label = LabelFromPath(name);
    conversion.preview.verdict = kNotFoundComplaint + name;
    return conversion;
}
