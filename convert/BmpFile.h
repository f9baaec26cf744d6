#pragma once

#include "Prefault.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bmp2cdata {

// The bytes of a BMP file as far as the converter looks at them: all of a
// file short enough to be converted, only the header of a longer one.
struct BmpFileBytes {
    LargeBytes bytes;
    // The whole file's length.
    std::int64_t length = 0;
};

// Reads the file at path (UTF-8) without ever waiting: nothing when it is not
// a regular file that can be read (missing, a folder, a FIFO, a device, no
// permission).
std::optional<BmpFileBytes> ReadBmpFile(const std::string& path);

// How many bytes of a file to read, judged from its first bytes and its
// length.
using BytesWanted = std::function<std::int64_t(std::span<const std::uint8_t> start, std::int64_t length)>;

// Reads the file at path as ReadBmpFile does, but its first headBytes (or
// all of a shorter file), then as many as bytesWanted asks for.
std::optional<BmpFileBytes> ReadFileAsNeeded(const std::string& path, std::size_t headBytes,
                                             const BytesWanted& bytesWanted);

// Whether something other than a folder is at path (UTF-8), links followed:
// a file, or a FIFO or device that ReadBmpFile refuses.
bool ExistsAndIsNotFolder(const std::string& path);

}  // namespace bmp2cdata
