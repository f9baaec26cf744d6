#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bytes of a BMP file as far as the converter looks at them: all of a
// file short enough to be converted, only the header of a longer one.
struct BmpFileBytes {
    std::vector<std::uint8_t> bytes;
    // The whole file's length.
    std::int64_t length = 0;
};

// Reads the file at path (UTF-8) without ever waiting: nothing when it is not
// a regular file that can be read (missing, a folder, a FIFO, a device, no
// permission).
std::optional<BmpFileBytes> ReadBmpFile(const std::string& path);

// Whether something other than a folder is at path (UTF-8), links followed:
// a file, or a FIFO or device that ReadBmpFile refuses.
bool ExistsAndIsNotFolder(const std::string& path);
