#include "ConvertBmpFile.h"

#include "BmpDecode.h"
#include "BmpFile.h"
#include "CdataTable.h"
#include "ConverterHost.h"
#include "PixelPacking.h"

#include <memory>

bool ConvertBmpFile(ConverterHost& host, const std::string& path)
{
    const std::optional<BmpFileBytes> file = ReadBmpFile(path);
    if (!file) {
        host.AddLine(kNotFoundComplaint + path);
        return false;
    }
    ConvertBmpBytes(host, path, file->bytes, file->length);
    return true;
}

void ConvertBmpBytes(ConverterHost& host, const std::string& path, std::span<const std::uint8_t> bytes,
                     std::int64_t fileLength)
{
    const DecodedBmp decoded = DecodeBmp(bytes, fileLength);
    if (!decoded.Converts()) {
        host.AddLine(decoded.complaint);
        return;
    }
    // Runs nest when Convert is clicked during a run; each run's buffer lives
    // on the heap so that nesting does not eat the window thread's stack. It
    // is not cleared: the table lists only slots the fill wrote, since a stop
    // that cut the fill short also ends the table before its first value.
    auto data = std::make_unique_for_overwrite<ImageData>();
    FillImageData(host, decoded.image, *data);
    WriteCdataTable(host, {LabelFromPath(path), decoded.image.width, decoded.image.height, data.get()});
}
