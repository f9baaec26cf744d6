#pragma once

#include <memory>
#include <string>
#include <string_view>

// The file given with -o. A regular file, or one a symbolic link leads to,
// is replaced in one step by a temporary file in its own folder, so it is
// never left half-written; a device, FIFO or descriptor is written through,
// as a shell's '>' would. A replacement not committed is discarded.
class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Gets path (UTF-8) ready for writing; false with the reason when it cannot be written.
    bool Open(const std::string& path, std::string& error);
    // Appends text; false with the reason when it could not all be written.
    bool Write(std::string_view text, std::string& error);
    // Puts everything written in place; false with the reason, the old file then untouched.
    bool Commit(std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};
