#pragma once

#include "PixelPacking.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace bmp2cdata {

class ConverterHost;

inline const std::string kClosingMessage =
    "The Cdata Table is now assigned to the Clipboard for pasting into the program";
// Closes the run instead when the clipboard could not be had (another
// program held it), with the table selected in the output area; short
// enough to read whole there.
inline const std::string kCopyFailedMessage =
    "The Cdata Table could not be put on the Clipboard: it is selected above; press Ctrl+C to copy it";

// The table's label: the file name after the last '/', '\' or ':', without
// everything from its last dot on.
std::string LabelFromPath(const std::string& path);

// The run's image, as the table writer sees it.
struct TableSource {
    std::string label;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const ImageData* image = nullptr;
};

// Writes the five header lines and the data lines (until StopConversion),
// copies the output to the clipboard, then appends the closing lines: an
// empty one and a message that says whether the copy was made.
void WriteCdataTable(ConverterHost& host, const TableSource& source);

// The exact length of everything a run writes for an accepted image (the
// table and the closing lines) when each line ends in lineEndLength
// characters, so that a host can allocate its buffer once.
std::size_t RunOutputLength(const std::string& label, std::int32_t width, std::int32_t height, bool byteTable,
                            std::size_t lineEndLength);

}  // namespace bmp2cdata
