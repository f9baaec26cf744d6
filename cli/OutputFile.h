#pragma once

#include "Platform.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The file given with -o, written as a careful editor saves: never where a
// shell's '>' would be refused, and keeping all that '>' keeps. A regular
// file is replaced by renaming a temporary file over it when the rename
// loses nothing (FILE has no other hard link, and its owner, group, ACL and
// extended attributes, or on Windows its security and attributes, can all be
// given to the new file); otherwise it is written in place, as '>' writes it.
// Either way everything written is held in memory until Commit, so that FILE
// is touched only once the whole text is known. A device, FIFO or descriptor
// is written through as it comes. A replacement not committed is discarded.
class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Gets path (UTF-8) ready for writing, links followed once, without
    // changing it; false with the reason when '>' could not write it either.
    bool Open(const std::string& path, std::string& error);
    // The file Open found, when it already existed.
    std::optional<FileIdentity> Identity() const;
    // Appends text; false with the reason when it could not all be written.
    bool Write(std::string_view text, std::string& error);
    // Puts everything written in place; false with the reason.
    bool Commit(std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The name of the temporary file that replaces the file named name (UTF-8):
// .name.bmp2cdata-XXXXXX, the Xs random letters and digits, with name cut to
// keep the whole within the 255 bytes a file name may have.
std::string TemporaryName(std::string_view name);
