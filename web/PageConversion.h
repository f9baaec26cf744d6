#pragma once

#include "PreviewContent.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the page asks of a conversion besides the file.
struct PageOptions {
    bool rgb332 = false;
};

// Everything the page shows after one conversion.
struct PageConversion {
    // The output area's text: the table and the closing lines, or the one
    // line of complaint; every line ends in "\n".
    std::string output;
    // How much of the output the clipboard gets: the table alone, byte for
    // byte what the command line prints; nothing after a complaint.
    std::optional<std::size_t> tableLength;
    // The table's label, which also names the saved file.
    std::string label;
    PreviewContent preview;
    // The preview's pixels as red, green, blue and opaque alpha bytes, the
    // order a canvas takes.
    std::vector<std::uint8_t> rgba;
};

// Converts the file called name (no folder) whose first bytes are bytes, of
// fileLength bytes in all, as a window's Convert button would; bytes must
// hold BytesWorthReading(fileLength) of them, or all the file gave.
PageConversion ConvertForPage(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                              const PageOptions& options);

// The complaint for a file the browser could not read, as for a path that
// cannot be opened.
PageConversion UnreadableForPage(const std::string& name);
