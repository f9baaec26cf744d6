#pragma once

#include "BmpDecode.h"
#include "Picture.h"
#include "PictureOptions.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace bmp2cdata {

// What a preview of one file shows beside a file list or on the page: the
// picture as the LCD will show it, its size, and the converter's verdict.
struct PreviewContent {
    // The picture as 0x00RRGGBB, top row first, each row left to right;
    // empty when the file does not convert.
    std::vector<std::uint32_t> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // "W × H" (UTF-8) once the header is one of a 24-bit uncompressed
    // image, so that a refusal for its size makes sense; empty otherwise.
    std::string size;
    // The converter's complaint, or what the file converts to.
    std::string verdict;
};

// What a preview shows of a BMP file decoded from bytes (its start, as
// ReadBmpFile gives it): the header's size, and the pixels as the LCD shows
// them once packed, or the decode's complaint.
PreviewContent PreviewOfDecoded(std::span<const std::uint8_t> bytes, const DecodedBmp& decoded, bool rgb332);

// What a preview shows of a picture made ready for its table: the picture
// as the LCD will show it once packed as options say (on a BGR panel when
// its colours are in BGR order), its size and the table's length.
PreviewContent PreviewOfPicture(const Picture& picture, bool rgb332, const PictureOptions& options);

// Reads and judges the file at path (UTF-8) as a run would. A folder, an
// empty path or a path to nothing has nothing to show; anything else that
// cannot be read gets the run's "Could not find file" complaint.
PreviewContent PreviewOfFile(const std::string& path, bool rgb332);

}  // namespace bmp2cdata
