#include "CommandLineHost.h"

#include "CdataTable.h"

namespace {

constexpr std::size_t kValuesPerLine = 16;
// Lengths of the fixed parts of the table's lines, as the core writes them.
constexpr std::size_t kRuleLength = 71;             // "'" and 70 hyphens
constexpr std::size_t kSizeLineFixedLength = 44;    // "' Image data in RGBxxx format. Size = " " Bytes"
constexpr std::size_t kCommentLineLength = 1;       // "'"
constexpr std::size_t kLabelSuffixLength = 2;       // ":-"
constexpr std::size_t kCdataLineFixedLength = 59;   // "    Cdata as Xxxx " ",_" and the comment
constexpr std::size_t kDataIndentLength = 10;
constexpr std::size_t kContinuationLength = 1;      // "_" after the ',' ending a full line
constexpr std::size_t kSeparatorLength = 2;         // ", " between the numbers of the "Cdata as" line
constexpr std::size_t kByteValueLength = 4;         // "$XX,"
constexpr std::size_t kWordValueLength = 6;         // "$XXXX,"

std::size_t DecimalLength(std::uint32_t value)
{
    std::size_t digits = 1;
    for (; value >= 10; value /= 10)
        ++digits;
    return digits;
}

// The numbers of the "Cdata as" line, with the ", " between them: three in
// a word table, each split into a low byte and the rest in a byte table.
std::size_t CdataNumbersLength(std::uint32_t count, std::uint32_t lastColumn, std::uint32_t lastRow,
                               bool rgb332)
{
    std::size_t length = 0;
    std::size_t numbers = 0;
    for (const std::uint32_t value : {count, lastColumn, lastRow}) {
        if (rgb332) {
            length += DecimalLength(value & 0xFF) + DecimalLength(value >> 8);
            numbers += 2;
        } else {
            length += DecimalLength(value);
            numbers += 1;
        }
    }
    return length + (numbers - 1) * kSeparatorLength;
}

std::size_t DataLinesLength(std::uint32_t count, bool rgb332)
{
    if (count == 0)
        return 0;
    const std::size_t lines = (count + kValuesPerLine - 1) / kValuesPerLine;
    const std::size_t valueLength = rgb332 ? kByteValueLength : kWordValueLength;
    // Every line but the last ends ",_"; the last one loses its ','.
    return lines * (kDataIndentLength + kLineEnd.size()) + count * valueLength +
           (lines - 1) * kContinuationLength - 1;
}

}  // namespace

void CommandLineHost::AddLine(const std::string& line)
{
    output_ += line;
    output_ += kLineEnd;
}

void CommandLineHost::ClearOutput()
{
    output_.clear();
    clipboardLength_.reset();
}

std::optional<std::string_view> CommandLineHost::Clipboard() const
{
    if (!clipboardLength_)
        return std::nullopt;
    return std::string_view(output_).substr(0, *clipboardLength_);
}

std::size_t RunOutputLength(std::string_view label, std::int32_t width, std::int32_t height, bool rgb332)
{
    // Counts wrap as the core's unsigned 32-bit arithmetic does.
    const auto count = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height);
    const std::uint32_t lastColumn = static_cast<std::uint32_t>(width) - 1;
    const std::uint32_t lastRow = static_cast<std::uint32_t>(height) - 1;
    const std::size_t headerLines = kRuleLength + kSizeLineFixedLength +
                                    DecimalLength(rgb332 ? count : 2 * count) + kCommentLineLength +
                                    label.size() + kLabelSuffixLength + kCdataLineFixedLength +
                                    CdataNumbersLength(count, lastColumn, lastRow, rgb332) +
                                    5 * kLineEnd.size();
    const std::size_t closingLines = kLineEnd.size() + kClosingMessage.size() + kLineEnd.size();
    return headerLines + DataLinesLength(count, rgb332) + closingLines;
}
