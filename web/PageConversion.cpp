#include "PageConversion.h"

#include "BufferHost.h"
#include "CdataTable.h"
#include "Label.h"
#include "LoadedFile.h"

#include <algorithm>

using namespace bmp2cdata;

namespace {

// The field's text as bmp2cdata's --fit takes it: without spaces, and with
// the multiplication sign the field shows written as x.
std::string BoxArgument(std::string_view text)
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

// The page's options as a picture takes them, not yet split; the size
// field's text must have passed BoxComplaint.
PictureOptions PictureOptionsOf(const PageOptions& options)
{
    const std::string box = BoxArgument(options.box);
    PictureOptions picture;
    picture.box = box.empty() ? std::nullopt : ParseFitBox(box).size;
    picture.sizing = options.sizing;
    picture.quarterTurns = options.quarterTurns % 4;
    picture.mirror = options.mirror;
    picture.bgr = options.bgr;
    picture.dither = options.dither;
    picture.background = options.background;
    return picture;
}

// The page splits by itself whatever takes the road of a picture; a BMP
// file without options keeps the one table it always had, however large.
PictureOptions PictureOptionsFor(std::span<const std::uint8_t> head, const PageOptions& options)
{
    PictureOptions picture = PictureOptionsOf(options);
    picture.split = TakesPictureRoad(head, picture);
    return picture;
}

// How much of a decoded picture the browser hands over at a time: the
// module then grows by a strip, never by a whole 16-megapixel picture.
constexpr std::size_t kStripBytes = std::size_t{1} << 20;

// Notes whether the loading of a file asked for a decode, which the
// browser makes.
class AskingDecoder final : public PictureDecoder {
public:
    bool Decode(PictureFormat, std::span<const std::uint8_t>, PictureSize, RgbaRows&) override
    {
        asked_ = true;
        return false;
    }

    bool Asked() const { return asked_; }

private:
    bool asked_ = false;
};

// Browsers decode a PNG of 16-bit samples to 8 bits by dropping the low
// byte, where bmp2cdata's decoder rounds.
const std::string kSixteenBitNote =
    "This PNG has 16-bit samples, which the browser cuts to 8 bits: values may be a step off bmp2cdata's";

bool HasSixteenBitSamples(std::span<const std::uint8_t> bytes)
{
    // The bit depth follows the width and height in the header chunk.
    constexpr std::size_t kPngBitDepth = 24;
    constexpr std::uint8_t kSixteenBits = 16;
    return SniffPictureFormat(bytes) == PictureFormat::Png && bytes.size() > kPngBitDepth &&
           bytes[kPngBitDepth] == kSixteenBits;
}

void Refuse(PageConversion& conversion, ConverterHost& host, const std::string& complaint)
{
    host.AddLine(complaint);
    conversion.preview.verdict = complaint;
}

// The core names the command line's option for a picture too large even
// to split; the page splits by itself and has no such option.
constexpr std::string_view kSplitOptionWords = " that --split writes";
constexpr std::string_view kPageSplitWords = " that the page writes in several tables";

std::string InPageWords(std::string complaint)
{
    if (const std::size_t at = complaint.find(kSplitOptionWords); at != std::string::npos)
        complaint.replace(at, kSplitOptionWords.size(), kPageSplitWords);
    return complaint;
}

// The one line that says a picture was split, in place of the verdict of
// one table.
std::string SplitVerdict(std::uint32_t width, std::uint32_t height, bool rgb332)
{
    return "Split into " + std::to_string(SplitTableCount(width, height)) + " tables of whole rows, " +
           std::to_string(std::uint64_t{width} * height) + (rgb332 ? " RGB332 bytes" : " RGB565 words") +
           " in all: one table holds at most " + std::to_string(kMaxTablePixels);
}

// The table, the preview and the note of a file or test card that loaded
// with the picture options given, or its complaint in the page's words.
void ShowLoaded(PageConversion& conversion, ConverterHost& host, const LoadedFile& loaded,
                const PictureOptions& options, bool rgb332)
{
    if (!loaded.Complaint().empty()) {
        Refuse(conversion, host, InPageWords(loaded.Complaint()));
        return;
    }
    loaded.Convert(host);
    conversion.preview = loaded.Preview(rgb332);
    const auto width = static_cast<std::uint32_t>(conversion.preview.width);
    const auto height = static_cast<std::uint32_t>(conversion.preview.height);
    conversion.tables = options.split ? SplitTableCount(width, height) : 1;
    if (conversion.tables > 1)
        conversion.preview.verdict = SplitVerdict(width, height, rgb332);
    if (const std::optional<std::string> warning = loaded.Warning())
        conversion.note = "Warning: " + *warning;
}

const std::string kTestCardNeedsSize = "The test card needs a size: pick a panel or type W \u00D7 H";

// What refuses a run before it starts: complaint, else a label typed in the
// field that cannot be one, in the field's words (one taken from the file's
// name is refused later, in the words of every front end).
std::optional<std::string> RunComplaint(const PageOptions& options, std::optional<std::string> complaint)
{
    return complaint ? complaint : LabelComplaint(options.label.value_or(""));
}

// A run of the page's, labelled label: refused as RunComplaint says, else
// run(conversion, host); the output goes to a buffer of its own, and the
// table's length is noted.
template <typename Run>
PageConversion RunForPage(const PageOptions& options, std::string label, std::optional<std::string> complaint,
                          const Run& run)
{
    PageConversion conversion;
    // The page has no Close button, but a run must never start stopped.
    StopConversion = false;
    BufferHost host(options.rgb332, conversion.output);
    conversion.label = std::move(label);
    if (const std::optional<std::string> refusal = RunComplaint(options, std::move(complaint)))
        Refuse(conversion, host, *refusal);
    else
        run(conversion, host);
    if (const std::optional<std::string_view> table = host.Clipboard())
        conversion.tableLength = table->size();
    return conversion;
}

void AskToDecode(PageConversion& conversion, std::span<const std::uint8_t> bytes)
{
    conversion.decode = SniffPictureFormat(bytes);
    conversion.bytesToDecode.assign(bytes.begin(), bytes.end());
    HideExifOrientationAndProfile(*conversion.decode, conversion.bytesToDecode);
}

}  // namespace

std::int64_t PageBytesToRead(std::span<const std::uint8_t> head, std::int64_t fileLength, const PageOptions& options)
{
    // A refused size needs no more of the file than the page has.
    if (BoxComplaint(options.box))
        return static_cast<std::int64_t>(head.size());
    return BytesToRead(head, fileLength, PictureOptionsFor(head, options));
}

std::optional<std::string> BoxComplaint(std::string_view text)
{
    const std::string argument = BoxArgument(text);
    if (argument.empty())
        return std::nullopt;
    switch (ParseFitBox(argument).problem) {
    case FitBox::Problem::NotASize:
        return "The size W \u00D7 H needs a width and a height such as 160x128";
    case FitBox::Problem::SideTooLong:
        return "The size " + argument + " is too large: W and H must be at most " + std::to_string(kMaxBoxSide);
    case FitBox::Problem::None:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> LabelComplaint(std::string_view label)
{
    if (!BreaksSourceText(label))
        return std::nullopt;
    return "The label cannot hold control characters, line breaks or invalid characters";
}

std::optional<std::string> LabelWarning(std::string_view label)
{
    if (IsBasicName(label))
        return std::nullopt;
    return "Warning: " + NotABasicNameWarning(label);
}

PageConversion ConvertForPage(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                              const PageOptions& options)
{
    const auto run = [&](PageConversion& conversion, ConverterHost& host) {
        AskingDecoder decoder;
        const PictureOptions pictureOptions = PictureOptionsFor(bytes, options);
        const LoadedFile loaded(bytes, fileLength, conversion.label, decoder, pictureOptions);
        if (decoder.Asked()) {
            AskToDecode(conversion, bytes);
            return;
        }
        ShowLoaded(conversion, host, loaded, pictureOptions, options.rgb332);
    };
    return RunForPage(options, options.label.value_or(LabelFromPath(name)), BoxComplaint(options.box), run);
}

// The checks the page and a file's loading make before decoding come first:
// rows are wanted only from a file that passes them.
PageDecoding::PageDecoding(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                           const PageOptions& options, std::optional<PictureSize> decodedSize)
    : options_(options),
      pictureOptions_(PictureOptionsFor(bytes, options)),
      label_(options.label.value_or(LabelFromPath(name))),
      sixteenBit_(HasSixteenBitSamples(bytes))
{
    if (RunComplaint(options, BoxComplaint(options.box)) || BreaksSourceText(label_))
        return;
    pending_.emplace(bytes, fileLength, pictureOptions_);
    const std::optional<PictureSize> wanted = pending_->Wanted();
    decoded_ = wanted && wanted == decodedSize;
    if (decoded_)
        stripRows_ = static_cast<std::uint32_t>(std::max<std::size_t>(1, kStripBytes / (std::size_t{wanted->width} * 4)));
}

PageDecoding::Strip PageDecoding::NextStrip() const
{
    if (!decoded_)
        return {};
    const std::uint32_t height = pending_->Wanted()->height;
    return {nextRow_, std::min(stripRows_, height - nextRow_)};
}

void PageDecoding::TakeStrip(std::span<const std::uint8_t> rgba)
{
    const Strip strip = NextStrip();
    const std::size_t rowLength = std::size_t{pending_->Wanted()->width} * 4;
    if (strip.rowCount == 0 || rgba.size() != strip.rowCount * rowLength) {
        decoded_ = false;
        return;
    }
    for (std::size_t at = 0; at < rgba.size(); at += rowLength)
        pending_->Rows().AddRow(rgba.subspan(at, rowLength));
    nextRow_ += strip.rowCount;
}

PageConversion PageDecoding::Finish()
{
    const auto run = [&](PageConversion& conversion, ConverterHost& host) {
        const LoadedFile loaded(pending_ ? pending_->Finish(decoded_) : LoadedPicture{}, conversion.label,
                                pictureOptions_);
        ShowLoaded(conversion, host, loaded, pictureOptions_, options_.rgb332);
        if (loaded.Complaint().empty() && sixteenBit_)
            conversion.note = kSixteenBitNote;
    };
    return RunForPage(options_, label_, BoxComplaint(options_.box), run);
}

PageConversion TestCardForPage(const PageOptions& options)
{
    const std::optional<PictureSize> size =
        BoxComplaint(options.box) ? std::nullopt : ParseFitBox(BoxArgument(options.box)).size;
    const auto run = [&](PageConversion& conversion, ConverterHost& host) {
        PictureOptions picture = PictureOptionsOf(options);
        picture.split = true;
        ShowLoaded(conversion, host, LoadedFile(LoadTestCard(*size, picture), conversion.label, picture), picture,
                   options.rgb332);
    };
    std::optional<std::string> sizeComplaint;
    if (!size)
        sizeComplaint = BoxComplaint(options.box).value_or(kTestCardNeedsSize);
    return RunForPage(options, options.label.value_or(std::string(kTestCardLabel)), std::move(sizeComplaint), run);
}

PageConversion UnreadableForPage(const std::string& name)
{
    PageConversion conversion;
    conversion.output = kNotFoundComplaint + name + "\n";
    conversion.label = LabelFromPath(name);
    conversion.preview.verdict = kNotFoundComplaint + name;
    return conversion;
}
