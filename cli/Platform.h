#pragma once

// What the command-line host needs from the platform beyond files: its line
// end, its standard streams (bytes on POSIX; on Windows UTF-16 to a console
// and bytes to anything else) and its memory.

#include <string>
#include <string_view>

// Windows editors and BASIC IDEs expect CR LF; everything else gets LF.
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

// Writes text (UTF-8) to standard output; false when not all of it was written.
bool WriteStandardOutput(std::string_view text);

// Writes text (UTF-8) to standard error, as far as it can be written.
void WriteStandardError(std::string_view text);

// Gives buffer's reserved capacity its memory at once, where one request is
// cheaper than a page fault for every page the table fills.
void PrefaultCapacity(std::string& buffer);
