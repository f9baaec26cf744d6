#pragma once

#include "Platform.h"

#include <optional>
#include <string>
#include <string_view>

// The file given with -o, opened as a shell's '>' opens it: once, through
// the kernel, which follows links, applies its protections and refuses what
// '>' is refused. Unlike '>', it is cut only when the whole text is known
// and has room, so that a refusal leaves it as it was. It stays the same
// file: its owner, mode, ACL, attributes, flags, hard links and bind-mounted
// views are kept. A device, FIFO or terminal is written through.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens path (UTF-8) for writing, made when missing, without cutting it;
    // false with the reason when it cannot be.
    bool Open(const std::string& path, std::string& error);
    // The file Open opened.
    std::optional<FileIdentity> Identity() const;
    // Makes text the file's whole content and closes it; false with the
    // reason. A failure before the cut (no room, a file-size limit) leaves
    // the file untouched; one after it leaves a start of text, as '>' would.
    bool Replace(std::string_view text, std::string& error);

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int descriptor_ = -1;
#endif
};
