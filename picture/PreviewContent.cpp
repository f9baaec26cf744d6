#include "PreviewContent.h"

#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "Label.h"
#include "PicturePacking.h"
#include "PixelPacking.h"

namespace bmp2cdata {

namespace {

std::string SizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " \u00D7 " + std::to_string(height);
}

// The header's size, once it describes an image the size checks apply to.
std::string SizeText(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kBmpHeaderBytes)
        return {};
    const BmpHeader header = ParseBmpHeader(bytes);
    if (header.compression != 0 || header.bitCount != kRequiredBitCount)
        return {};
    return SizeText(header.width, header.height);
}

std::string CountText(std::uint32_t count, bool rgb332)
{
    const char* unit = rgb332 ? (count == 1 ? " RGB332 byte" : " RGB332 bytes")
                              : (count == 1 ? " RGB565 word" : " RGB565 words");
    return "Converts to a table of " + std::to_string(count) + unit;
}

}  // namespace

PreviewContent PreviewOfDecoded(std::span<const std::uint8_t> bytes, const DecodedBmp& decoded, bool rgb332)
{
    PreviewContent content;
    content.size = SizeText(bytes);
    if (!decoded.Converts()) {
        content.verdict = decoded.complaint;
        return content;
    }
    content.width = decoded.image.width;
    content.height = decoded.image.height;
    content.pixels = DisplayedTable(PackImage(decoded.image, rgb332), decoded.image.layout.width,
                                    decoded.image.layout.height, rgb332);
    content.verdict = CountText(decoded.image.layout.pixelCount, rgb332);
    return content;
}

PreviewContent PreviewOfPicture(const Picture& picture, bool rgb332, const PictureOptions& options)
{
    PreviewContent content;
    content.pixels = DisplayedPicture(picture, rgb332, options.dither);
    // A BGR panel shows the blue bits as red and the red bits as blue.
    if (options.bgr)
        for (std::uint32_t& pixel : content.pixels)
            pixel = (pixel & 0x00FF00) | (pixel & 0xFF) << 16 | (pixel >> 16 & 0xFF);
    content.width = static_cast<std::int32_t>(picture.width);
    content.height = static_cast<std::int32_t>(picture.height);
    content.size = SizeText(picture.width, picture.height);
    content.verdict = CountText(static_cast<std::uint32_t>(picture.Area()), rgb332);
    return content;
}

PreviewContent PreviewOfFile(const std::string& path, bool rgb332)
{
    if (path.empty() || !ExistsAndIsNotFolder(path))
        return {};
    // A name that cannot label the table is refused before the file is opened.
    if (BreaksSourceText(LabelFromPath(path))) {
        PreviewContent content;
        content.verdict = kSourceBreakingLabelComplaint;
        return content;
    }
    const LoadedBmp loaded(path);
    return PreviewOfDecoded(loaded.File().bytes, loaded.Decoded(), rgb332);
}

}  // namespace bmp2cdata
