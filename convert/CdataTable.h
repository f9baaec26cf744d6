#pragma once

#include "PixelPacking.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

// The most values one table holds: its amount is a Word, and the byte
// table's high part of it a byte.
inline constexpr std::uint32_t kMaxTablePixels = 65535;

// One table of a run, as the table writer sees it.
struct TableSource {
    std::string label;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The table's first value; width x height follow.
    const std::uint16_t* values = nullptr;
    // A comment line after the size line; none when empty.
    std::string note = {};
};

// Writes the five header lines (and the note) and the data lines (until
// StopConversion), copies the output to the clipboard, then appends the
// closing lines: an empty one and a message that says whether the copy was
// made.
void WriteCdataTable(ConverterHost& host, const TableSource& source);

// The same for several tables one after another, copied and closed once.
void WriteCdataTables(ConverterHost& host, std::span<const TableSource> tables);

// The tables a picture of width x height values in table order is written
// as: one labelled label when it holds at most kMaxTablePixels, otherwise
// bands of whole rows labelled label_1, label_2, ..., as few as the limit
// allows and as equal as can be, the first ones a row longer, each noting
// its rows. width is at most kMaxTablePixels; values may be null when only
// the tables' lengths are wanted.
std::vector<TableSource> SplitIntoTables(const std::string& label, std::uint32_t width, std::uint32_t height,
                                         const std::uint16_t* values);

// How many tables SplitIntoTables makes.
std::uint32_t SplitTableCount(std::uint32_t width, std::uint32_t height);

// The warning for a table whose amount does not fit 16 bits, or nothing.
std::optional<std::string> AmountWarning(std::uint64_t pixels);

// The exact length of everything a run writes for an accepted image (the
// table and the closing lines) when each line ends in lineEndLength
// characters, so that a host can allocate its buffer once.
std::size_t RunOutputLength(const std::string& label, std::int32_t width, std::int32_t height, bool byteTable,
                            std::size_t lineEndLength);

// The same for a run that writes these tables.
std::size_t RunOutputLength(std::span<const TableSource> tables, bool byteTable, std::size_t lineEndLength);

}  // namespace bmp2cdata
