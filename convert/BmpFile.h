#pragma once

#include "BmpHeader.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// One BMP file opened for binary reading; closed when the object goes.
class BmpFile {
public:
    // Opens a regular file for reading; nothing for a missing file, a folder,
    // or a file the user may not read.
    static std::optional<BmpFile> Open(const std::string& path);

    BmpFile(BmpFile&& other) noexcept;
    BmpFile& operator=(BmpFile&& other) noexcept;
    BmpFile(const BmpFile&) = delete;
    BmpFile& operator=(const BmpFile&) = delete;
    ~BmpFile();

    // The file's length in bytes.
    std::int64_t Length() const { return length_; }
    // The header fields; bytes past the end of a short file read as zero.
    BmpHeader ReadHeader();
    // The pixel bytes the layout names; nothing if the file ends early.
    std::optional<std::vector<std::uint8_t>> ReadPixelData(const PixelLayout& layout);

private:
    BmpFile(std::FILE* file, std::int64_t length) : file_(file), length_(length) {}

    std::FILE* file_ = nullptr;
    std::int64_t length_ = 0;
};

// The complaint converting this path would give, or nothing when the file
// will be converted: the same checks, in the same order, as the conversion.
std::optional<std::string> CheckBmpPath(const std::string& path);
