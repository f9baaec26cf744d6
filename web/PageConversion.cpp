#include "PageConversion.h"

#include "BufferHost.h"
#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "Label.h"

namespace {

std::vector<std::uint8_t> RgbaOf(const std::vector<std::uint32_t>& pixels)
{
    constexpr std::uint8_t kOpaque = 0xFF;
    std::vector<std::uint8_t> rgba;
    rgba.reserve(pixels.size() * 4);
    for (const std::uint32_t pixel : pixels) {
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 16));
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgba.push_back(static_cast<std::uint8_t>(pixel));
        rgba.push_back(kOpaque);
    }
    return rgba;
}

}  // namespace

PageConversion ConvertForPage(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                              const PageOptions& options)
{
    PageConversion conversion;
    // The page has no Close button, but a run must never start stopped.
    StopConversion = false;
    BufferHost host(options.rgb332, conversion.output);
    conversion.label = LabelFromPath(name);
    ConvertBmpBytes(host, conversion.label, bytes, fileLength);
    if (const std::optional<std::string_view> table = host.Clipboard())
        conversion.tableLength = table->size();
    // A name the table cannot be labelled with is refused whatever the bytes.
    if (HoldsControlCharacter(conversion.label))
        conversion.preview.verdict = kControlCharacterLabelComplaint;
    else
        conversion.preview = PreviewOfBytes(bytes, fileLength, options.rgb332);
    conversion.rgba = RgbaOf(conversion.preview.pixels);
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
