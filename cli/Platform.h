#pragma once

// What the command-line host needs from the platform beyond the output file:
// its line end, its standard streams (bytes on POSIX; on Windows UTF-16 to a
// console and bytes to anything else), writing all of a text to a file,
// which file a name is, and its memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What tells one file from another, however it is reached: the device and
// inode on POSIX, the volume and file ID on Windows.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file at path (UTF-8; links followed), or the one standard input reads
// for "-"; nothing when there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path);

#ifdef _WIN32
// The file an open handle (a HANDLE) is on; nothing for a pipe, console or device.
std::optional<FileIdentity> IdentityOfHandle(void* handle);
#endif

// The regular file standard output writes to; nothing for a terminal, pipe
// or device, which no input can be.
std::optional<FileIdentity> IdentityOfStandardOutput();

// Reads standard input to its end, but never more than limit bytes; nothing
// when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadStandardInput(std::size_t limit);

// Opens the null device on any of standard input, output and error that is
// closed, so that no file the program opens later takes its place and
// receives what was meant for the stream. Call first thing.
void KeepStandardStreamsOpen();

// Windows editors and BASIC IDEs expect CR LF; everything else gets LF.
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

#ifdef _WIN32
// Writes all of text to an open handle (a HANDLE) in pieces; false when a
// piece cannot be written (GetLastError tells why) or nothing of it is.
bool WriteAll(void* handle, std::string_view text);
#else
// Writes all of text to descriptor, going on after an interruption; false
// when a write fails (errno tells why) or writes nothing.
bool WriteAll(int descriptor, std::string_view text);
#endif

// Writes text (UTF-8) to standard output; false when not all of it was written.
bool WriteStandardOutput(std::string_view text);

// Writes text (UTF-8) to standard error, as far as it can be written.
void WriteStandardError(std::string_view text);
