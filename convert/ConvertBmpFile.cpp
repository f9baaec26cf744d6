#include "ConvertBmpFile.h"

#include "BmpFile.h"
#include "CdataTable.h"
#include "ConverterHost.h"
#include "PixelPacking.h"

#include <memory>

bool ConvertBmpFile(ConverterHost& host, const std::string& path)
{
    std::optional<BmpFile> file = BmpFile::Open(path);
    if (!file) {
        host.AddLine(kNotFoundComplaint + path);
        return false;
    }
    const BmpHeader header = file->ReadHeader();
    if (std::optional<std::string> complaint = CheckBmpHeader(header, file->Length())) {
        host.AddLine(*complaint);
        return true;
    }
    const PixelLayout layout = LayoutOf(header);
    const std::optional<std::vector<std::uint8_t>> pixelData = file->ReadPixelData(layout);
    if (!pixelData) {
        host.AddLine(kIncompleteComplaint);
        return true;
    }
    // Runs nest when Convert is clicked during a run; each run's buffer lives
    // on the heap so that nesting does not eat the window thread's stack.
    auto image = std::make_unique<ImageData>();
    FillImageData(host, layout, *pixelData, *image);
    WriteCdataTable(host, {LabelFromPath(path), header.width, header.height, image.get()});
    return true;
}
