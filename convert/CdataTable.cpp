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

// Writes "$XX," or "$XXXX," in uppercase hexadecimal at text; returns the
// end of what it wrote.
char* PutValue(char* text, std::uint16_t value, bool byteTable)
{
    *text++ = '$';
    for (int shift = byteTable ? 4 : 12; shift >= 0; shift -= 4)
        *text++ = kHexDigits[(value >> shift) & 0xF];
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

std::array<std::string, 5> HeaderLines(const std::string& label, std::int32_t width, std::int32_t height,
                                       bool byteTable)
{
    // Widths and heights of zero wrap to 0xFFFFFFFF here, as the LCD programs
    // have always been given.
    const std::uint32_t count = PixelCount(width, height);
    const std::uint32_t lastColumn = static_cast<std::uint32_t>(width) - 1;
    const std::uint32_t lastRow = static_cast<std::uint32_t>(height) - 1;
    return {
        "'" + std::string(70, '-'),
        byteTable ? "' Image data in RGB332 format. Size = " + Decimal(count) + " Bytes"
                  : "' Image data in RGB565 format. Size = " + Decimal(2 * count) + " Bytes",
        "'",
        label + ":-",
        byteTable ? "    Cdata as Byte " + SplitBytes(count) + ", " + SplitBytes(lastColumn) + ", " +
                        SplitBytes(lastRow) + ",_" + std::string(kHeaderComment)
                  : "    Cdata as Word " + Decimal(count) + ", " + Decimal(lastColumn) + ", " + Decimal(lastRow) +
                        ",_" + std::string(kHeaderComment),
    };
}

// StopConversion can only change inside a pump, and the pump follows a
// finished line, so every line written is whole.
void WriteDataLines(ConverterHost& host, const ImageData& image, std::uint32_t count,
                    bool byteTable)
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
            next = PutValue(next, image[slot], byteTable);
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
    const bool byteTable = host.Rgb332Selected();
    for (const std::string& line : HeaderLines(source.label, source.width, source.height, byteTable))
        host.AddLine(line);
    WriteDataLines(host, *source.image, PixelCount(source.width, source.height), byteTable);
    host.CopyAllToClipboard();
    host.AddLine("");
    host.AddLine(host.CopiedToClipboard() ? kClosingMessage : kCopyFailedMessage);
    host.PumpEvents();
}

std::size_t RunOutputLength(const std::string& label, std::int32_t width, std::int32_t height, bool byteTable,
                            std::size_t lineEndLength)
{
    std::size_t length = 0;
    for (const std::string& line : HeaderLines(label, width, height, byteTable))
        length += line.size() + lineEndLength;
    const std::uint32_t count = PixelCount(width, height);
    if (count > 0) {
        const std::size_t lines = (count + kValuesPerLine - 1) / kValuesPerLine;
        // Every line but the last ends ",_"; the last one loses its ','.
        length += lines * (kDataIndent.size() + lineEndLength) + count * ValueLength(byteTable) + (lines - 1) - 1;
    }
    return length + lineEndLength + kClosingMessage.size() + lineEndLength;
}

}  // namespace bmp2cdata
