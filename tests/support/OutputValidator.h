#pragma once

// Checks that what a conversion wrote has one of the two possible shapes:
// exactly one known complaint, or a well-formed table followed by the
// closing lines. Used by the fuzz target and the regression replay.

#include "BmpHeader.h"
#include "CdataTable.h"
#include "PictureFormat.h"

#include <cstdint>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace bmp2cdata;

struct RunRecord {
    std::vector<std::string> lines;
    std::string clipboard;
    int copies = 0;
    bool stopped = false;  // StopConversion was set during the run
    int pumps = 0;
};

inline const std::string kAmountComment = "   ' Amount, (Width - 1) , (Height - 1)";

// The numbers in text where the pattern has '#', when the text matches the
// pattern character for character elsewhere.
inline std::optional<std::vector<std::uint64_t>> MatchNumbers(std::string_view text, std::string_view pattern)
{
    constexpr std::size_t kMostDigits = 19;  // fits 64 bits
    std::vector<std::uint64_t> numbers;
    for (; !pattern.empty(); pattern.remove_prefix(1)) {
        if (pattern.front() != '#') {
            if (text.empty() || text.front() != pattern.front())
                return std::nullopt;
            text.remove_prefix(1);
            continue;
        }
        std::size_t digits = 0;
        std::uint64_t value = 0;
        for (; digits < text.size() && digits < kMostDigits && text[digits] >= '0' && text[digits] <= '9'; ++digits)
            value = value * 10 + std::uint64_t(text[digits] - '0');
        if (digits == 0)
            return std::nullopt;
        numbers.push_back(value);
        text.remove_prefix(digits);
    }
    if (!text.empty())
        return std::nullopt;
    return numbers;
}

// A complaint naming a size of 0 x 0, with '#' where the numbers go.
inline std::string SizePattern(std::string complaint)
{
    return complaint.replace(complaint.find("0 x 0"), 5, "# x #");
}

// Whether line refuses a picture too large for one table, with the way to
// get it.
inline bool IsOutputComplaint(const std::string& line)
{
    for (const std::string split : {"", "add --split to write # tables, or "})
        for (const std::string verb : {"fit into", "fill", "pad to"})
            if (MatchNumbers(line, "# x # is # pixels, more than the 65535 of one table: " + split + verb + " #x#"))
                return true;
    return false;
}

// Empty when the output is well formed, otherwise what is wrong with it.
inline std::string ValidateOutput(const RunRecord& run, const std::string& path)
{
    if (run.lines.size() == 1) {
        const std::string& line = run.lines[0];
        const bool known = line == kCompressionComplaint || line == kBitCountComplaint ||
                           line == kTooLargeComplaint || line == kImageSizeComplaint ||
                           line == kIncompleteComplaint || line == kNotFoundComplaint + path ||
                           line == kBottomUpComplaint || line == kPngComplaint || line == kJpegComplaint ||
                           line == kPictureFileTooLongComplaint ||
                           MatchNumbers(line, SizePattern(TooManyPixelsComplaint({}))) || IsOutputComplaint(line);
        if (!known)
            return "unknown single line: " + line;
        return run.copies == 0 ? "" : "a complaint was copied to the clipboard";
    }
    if (run.lines.size() < 7 || run.copies != 1)
        return "neither a complaint nor a table";
    const bool bytes = run.lines[1].starts_with("' Image data in RGB332");
    const auto size = MatchNumbers(run.lines[1], bytes ? "' Image data in RGB332 format. Size = # Bytes"
                                                       : "' Image data in RGB565 format. Size = # Bytes");
    if (run.lines[0] != "'" + std::string(70, '-') || !size || run.lines[2] != "'" || !run.lines[3].ends_with(":-"))
        return "malformed header lines";
    const auto amount = MatchNumbers(run.lines[4], bytes ? "    Cdata as Byte #, #, #, #, #, #,_" + kAmountComment
                                                         : "    Cdata as Word #, #, #,_" + kAmountComment);
    if (!amount)
        return "malformed amount line: " + run.lines[4];
    const std::uint64_t count = bytes ? (*amount)[0] + 256 * (*amount)[1] : (*amount)[0];
    if ((*size)[0] != (bytes ? count : 2 * count))
        return "size and amount disagree";
    const std::size_t digits = bytes ? 2 : 4;
    const auto wellFormed = [digits](std::string_view text) {
        return text.size() == digits + 1 && text[0] == '$' &&
               text.find_first_not_of("0123456789ABCDEF", 1) == std::string_view::npos;
    };
    std::uint64_t values = 0;
    const std::size_t dataEnd = run.lines.size() - 2;
    for (std::size_t i = 5; i < dataEnd; ++i) {
        const std::string& line = run.lines[i];
        if (!line.starts_with("          "))
            return "data line without its indent";
        const bool continued = line.ends_with(",_");
        const std::string_view list = std::string_view(line).substr(10, line.size() - 10 - (continued ? 2 : 0));
        std::size_t inLine = 0;
        for (std::size_t start = 0; start <= list.size(); ++inLine) {
            const std::size_t comma = std::min(list.find(',', start), list.size());
            if (!wellFormed(list.substr(start, comma - start)))
                return "malformed value in: " + line;
            start = comma + 1;
        }
        values += inLine;
        // Every line but the table's last holds sixteen values and goes on.
        const bool tableEnds = values == count;
        if (continued == tableEnds || inLine > 16 || (continued && inLine != 16))
            return "data line of " + std::to_string(inLine) + " values: " + line;
        if (!continued && i + 1 != dataEnd)
            return "data after the last value";
    }
    if (values != count && !(run.stopped && values < count))
        return "table lists " + std::to_string(values) + " of " + std::to_string(count) + " values";
    if (run.lines[dataEnd] != "" || run.lines[dataEnd + 1] != kClosingMessage)
        return "missing closing lines";
    std::string table;
    for (std::size_t i = 0; i < dataEnd; ++i)
        table.append(run.lines[i]).push_back('\n');
    return run.clipboard == table ? "" : "clipboard differs from the table";
}
