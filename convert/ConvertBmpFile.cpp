#include "ConvertBmpFile.h"

#include "CdataTable.h"
#include "ConverterHost.h"
#include "Label.h"
#include "PixelPacking.h"

#include <memory>

namespace bmp2cdata {

namespace {

// Writes the decoded file's complaint, or its table labelled label, which
// holds no control character.
void ConvertDecodedWithLabel(ConverterHost& host, const std::string& label, const DecodedBmp& decoded)
{
    if (!decoded.Converts()) {
        host.AddLine(decoded.complaint);
        return;
    }
    // Runs nest when Convert is clicked during a run; each run's buffer lives
    // on the heap so that nesting does not eat the window thread's stack. It
    // is not cleared: the table lists only slots the fill wrote, since a stop
    // that cut the fill short also ends the table before its first value.
    // (Written as new without an initialiser: Emscripten's library lacks
    // make_unique_for_overwrite.)
    const std::unique_ptr<ImageData> data(new ImageData);
    FillImageData(host, decoded.image, *data);
    WriteCdataTable(host, {label, decoded.image.width, decoded.image.height, data->data()});
}

}  // namespace

LoadedBmp::LoadedBmp(const std::string& path)
{
    std::optional<BmpFileBytes> file = ReadBmpFile(path);
    found_ = file.has_value();
    if (!found_) {
        decoded_.complaint = kNotFoundComplaint + path;
        return;
    }
    // Moving a vector keeps its buffer, so the image's span stays valid
    // when the object moves.
    file_ = std::move(*file);
    decoded_ = DecodeBmp(file_.bytes, file_.length);
}

LoadedBmp::LoadedBmp(BmpFileBytes file) : found_(true), file_(std::move(file))
{
    decoded_ = DecodeBmp(file_.bytes, file_.length);
}

bool ConvertBmpFile(ConverterHost& host, const std::string& path)
{
    const std::string label = LabelFromPath(path);
    // A name that cannot label the table is refused before the file is opened.
    if (BreaksSourceText(label)) {
        host.AddLine(kSourceBreakingLabelComplaint);
        return false;
    }
    const LoadedBmp loaded(path);
    ConvertDecodedWithLabel(host, label, loaded.Decoded());
    return loaded.Found();
}

void ConvertBmpBytes(ConverterHost& host, const std::string& label, std::span<const std::uint8_t> bytes,
                     std::int64_t fileLength)
{
    ConvertDecodedBmp(host, label, DecodeBmp(bytes, fileLength));
}

void ConvertDecodedBmp(ConverterHost& host, const std::string& label, const DecodedBmp& decoded)
{
    if (BreaksSourceText(label)) {
        host.AddLine(kSourceBreakingLabelComplaint);
        return;
    }
    ConvertDecodedWithLabel(host, label, decoded);
}

}  // namespace bmp2cdata
