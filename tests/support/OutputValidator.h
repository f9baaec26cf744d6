#pragma once

// Checks that what a conversion wrote has one of the two possible shapes:
// exactly one known complaint, or a well-formed table followed by the
// closing lines. Used by the fuzz target and the regression replay.

#include "BmpHeader.h"
#include "CdataTable.h"

#include <cstdint>
#include <algorithm>
#include <regex>
#include <string>
#include <vector>

struct RunRecord {
    std::vector<std::string> lines;
    std::string clipboard;
    int copies = 0;
    bool stopped = false;  // StopConversion was set during the run
    int pumps = 0;
};

// Empty when the output is well formed, otherwise what is wrong with it.
inline std::string ValidateOutput(const RunRecord& run, const std::string& path)
{
    const std::vector<std::string> complaints = {
        kCompressionComplaint, kBitCountComplaint,   kTooLargeComplaint,
        kImageSizeComplaint,   kIncompleteComplaint, kNotFoundComplaint + path};
    if (run.lines.size() == 1) {
        for (const std::string& complaint : complaints)
            if (run.lines[0] == complaint)
                return run.copies == 0 ? "" : "a complaint was copied to the clipboard";
        return "unknown single line: " + run.lines[0];
    }
    if (run.lines.size() < 7 || run.copies != 1)
        return "neither a complaint nor a table";
    static const std::regex sizeLine(R"(' Image data in RGB(565|332) format\. Size = (\d+) Bytes)");
    static const std::regex wordHeader(R"(    Cdata as Word (\d+), (\d+), (\d+),_   ' Amount, \(Width - 1\) , \(Height - 1\))");
    static const std::regex byteHeader(
        R"(    Cdata as Byte (\d+), (\d+), (\d+), (\d+), (\d+), (\d+),_   ' Amount, \(Width - 1\) , \(Height - 1\))");
    std::smatch size, amount;
    if (run.lines[0] != "'" + std::string(70, '-') || !std::regex_match(run.lines[1], size, sizeLine) ||
        run.lines[2] != "'" || !run.lines[3].ends_with(":-"))
        return "malformed header lines";
    const bool bytes = size[1] == "332";
    if (!std::regex_match(run.lines[4], amount, bytes ? byteHeader : wordHeader))
        return "malformed amount line: " + run.lines[4];
    const std::uint64_t count = bytes ? std::stoull(amount[1]) + 256 * std::stoull(amount[2])
                                      : std::stoull(amount[1]);
    if (std::stoull(size[2]) != (bytes ? count : 2 * count))
        return "size and amount disagree";
    const std::size_t digits = bytes ? 2 : 4;
    const auto wellFormed = [digits](const std::string& text) {
        return text.size() == digits + 1 && text[0] == '$' &&
               text.find_first_not_of("0123456789ABCDEF", 1) == std::string::npos;
    };
    std::uint64_t values = 0;
    const std::size_t dataEnd = run.lines.size() - 2;
    for (std::size_t i = 5; i < dataEnd; ++i) {
        const std::string& line = run.lines[i];
        if (!line.starts_with("          "))
            return "data line without its indent";
        const bool continued = line.ends_with(",_");
        const std::string list = line.substr(10, line.size() - 10 - (continued ? 2 : 0));
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
        table += run.lines[i] + "\n";
    return run.clipboard == table ? "" : "clipboard differs from the table";
}
