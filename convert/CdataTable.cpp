#include "CdataTable.h"

#include "ConverterHost.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace bmp2cdata {

namespace {

constexpr std::uint32_t kValuesPerLine = 16;
constexpr std::string_view kDataIndent = "          ";
constexpr std::string_view kHeaderComment = "   ' Amount, (Width - 1) , (Height - 1)";
constexpr char kHexDigits[] = "0123456789ABCDEF";
// "$XX," or "$XXXX,".
constexpr std::size_t ValueLength(bool byteTable)
{
    return byteTable ? 4 : 6;
}
// The indent, sixteen values of "$XXXX," and the continuation '_'.
constexpr std::size_t kLongestDataLine = kDataIndent.size() + kValuesPerLine * ValueLength(false) + 1;

std::string Decimal(std::uint32_t value)
{
    return std::to_string(value);
}

// Every byte's two uppercase hexadecimal digits, so that a value is written
// a byte at a time.
constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    std::array<std::array<char, 2>, 256> pairs{};
    for (std::size_t byte = 0; byte < pairs.size(); ++byte)
        pairs[byte] = {kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
    return pairs;
}();

// Writes "$XX," or "$XXXX," in uppercase hexadecimal at text; returns the
// end of what it wrote.
char* PutValue(char* text, std::uint16_t value, bool byteTable)
{
    *text++ = '$';
    if (!byteTable)
        text = std::copy_n(kHexPairs[value >> 8].data(), 2, text);
    text = std::copy_n(kHexPairs[value & 0xFF].data(), 2, text);
    *text++ = ',';
    return text;
}

// Each count is split into a low byte and the rest, which is not reduced to
// a byte: the LCD programs read the pair as low + 256 * high.
std::string SplitBytes(std::uint32_t value)
{
    return Decimal(value & 0xFF) + ", " + Decimal(value >> 8);
}

std::uint32_t PixelCount(std::int32_t width, std::int32_t height)
{
    return static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height);
}

std::vector<std::string> HeaderLines(const TableSource& source, bool byteTable)
{
    // Widths and heights of zero wrap to 0xFFFFFFFF here, as the LCD programs
    // have always been given.
    const std::uint32_t count = PixelCount(source.width, source.height);
    const std::uint32_t lastColumn = static_cast<std::uint32_t>(source.width) - 1;
    const std::uint32_t lastRow = static_cast<std::uint32_t>(source.height) - 1;
    std::vector<std::string> lines = {
        "'" + std::string(70, '-'),
        byteTable ? "' Image data in RGB332 format. Size = " + Decimal(count) + " Bytes"
                  : "' Image data in RGB565 format. Size = " + Decimal(2 * count) + " Bytes",
        "'",
        source.label + ":-",
        byteTable ? "    Cdata as Byte " + SplitBytes(count) + ", " + SplitBytes(lastColumn) + ", " +
                        SplitBytes(lastRow) + ",_" + std::string(kHeaderComment)
                  : "    Cdata as Word " + Decimal(count) + ", " + Decimal(lastColumn) + ", " + Decimal(lastRow) +
                        ",_" + std::string(kHeaderComment),
    };
    if (!source.note.empty())
        lines.insert(lines.begin() + 2, "' " + source.note);
    return lines;
}

// StopConversion can only change inside a pump, and the pump follows a
// finished line, so every line written is whole.
void WriteDataLines(ConverterHost& host, const std::uint16_t* values, std::uint32_t count, bool byteTable)
{
    // Each line is put together in a fixed array and handed over in one
    // piece: appending the table's half a million characters one at a time
    // took most of a command-line run.
    std::array<char, kLongestDataLine> text;
    std::copy(kDataIndent.begin(), kDataIndent.end(), text.begin());
    std::string line;
    for (std::uint32_t first = 0; first < count && !StopConversion; first += kValuesPerLine) {
        const std::uint32_t end = std::min(count, first + kValuesPerLine);
        char* next = text.data() + kDataIndent.size();
        for (std::uint32_t slot = first; slot < end; ++slot)
            next = PutValue(next, values[slot], byteTable);
        if (end < count)
            *next++ = '_';
        else
            --next;
        line.assign(text.data(), next);
        host.AddLine(line);
        host.PumpEvents();
    }
}

}  // namespace

std::string LabelFromPath(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\:");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

void WriteCdataTable(ConverterHost& host, const TableSource& source)
{
    WriteCdataTables(host, {&source, 1});
}

void WriteCdataTables(ConverterHost& host, std::span<const TableSource> tables)
{
    const bool byteTable = host.Rgb332Selected();
    for (const TableSource& source : tables) {
        for (const std::string& line : HeaderLines(source, byteTable))
            host.AddLine(line);
        WriteDataLines(host, source.values, PixelCount(source.width, source.height), byteTable);
    }
    host.CopyAllToClipboard();
    host.AddLine("");
    host.AddLine(host.CopiedToClipboard() ? kClosingMessage : kCopyFailedMessage);
    host.PumpEvents();
}

std::uint32_t SplitTableCount(std::uint32_t width, std::uint32_t height)
{
    if (std::uint64_t{width} * height <= kMaxTablePixels)
        return 1;
    const std::uint32_t rowsPerTable = std::max<std::uint32_t>(1, kMaxTablePixels / width);
    return (height + rowsPerTable - 1) / rowsPerTable;
}

std::vector<TableSource> SplitIntoTables(const std::string& label, std::uint32_t width, std::uint32_t height,
                                         const std::uint16_t* values)
{
    const std::uint32_t count = SplitTableCount(width, height);
    if (count == 1)
        return {{label, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), values}};
    std::vector<TableSource> tables;
    for (std::uint32_t table = 0, firstRow = 0; table < count; ++table) {
        const std::uint32_t rows = height / count + (table < height % count ? 1 : 0);
        tables.push_back({label + "_" + Decimal(table + 1), static_cast<std::int32_t>(width),
                          static_cast<std::int32_t>(rows),
                          values != nullptr ? values + std::size_t{firstRow} * width : nullptr,
                          "Rows " + Decimal(firstRow) + " to " + Decimal(firstRow + rows - 1) + " of " +
                              Decimal(height)});
        firstRow += rows;
    }
    return tables;
}

std::optional<std::string> AmountWarning(std::uint64_t pixels)
{
    if (pixels <= kMaxTablePixels)
        return std::nullopt;
    return Decimal(static_cast<std::uint32_t>(pixels)) +
           " pixels do not fit the table's 16-bit amount; BASIC may read it as " +
           Decimal(static_cast<std::uint32_t>(pixels & kMaxTablePixels));
}

std::size_t RunOutputLength(const std::string& label, std::int32_t width, std::int32_t height, bool byteTable,
                            std::size_t lineEndLength)
{
    const TableSource source{label, width, height};
    return RunOutputLength({&source, 1}, byteTable, lineEndLength);
}

std::size_t RunOutputLength(std::span<const TableSource> tables, bool byteTable, std::size_t lineEndLength)
{
    std::size_t length = 0;
    for (const TableSource& source : tables) {
        for (const std::string& line : HeaderLines(source, byteTable))
            length += line.size() + lineEndLength;
        const std::uint32_t count = PixelCount(source.width, source.height);
        if (count > 0) {
            const std::size_t lines = (count + kValuesPerLine - 1) / kValuesPerLine;
            // Every line but the last ends ",_"; the last one loses its ','.
            length += lines * (kDataIndent.size() + lineEndLength) + count * ValueLength(byteTable) + (lines - 1) - 1;
        }
    }
    return length + lineEndLength + kClosingMessage.size() + lineEndLength;
}

}  // namespace bmp2cdata
