#pragma once

#include "BmpDecode.h"
#include "BmpFile.h"

#include <cstdint>
#include <span>
#include <string>

namespace bmp2cdata {

class ConverterHost;

// A file read and decoded as a run reads and decodes it: the complaint a run
// would write, or the image. Move-only, since the image points into the
// bytes it owns.
class LoadedBmp {
public:
    // Reads the file at path (UTF-8) and decodes it.
    explicit LoadedBmp(const std::string& path);
    // Decodes a file's bytes already read (standard input, say).
    explicit LoadedBmp(BmpFileBytes file);
    LoadedBmp(LoadedBmp&&) noexcept = default;
    LoadedBmp& operator=(LoadedBmp&&) noexcept = default;
    LoadedBmp(const LoadedBmp&) = delete;
    LoadedBmp& operator=(const LoadedBmp&) = delete;

    // False when the path was not opened as a file to read.
    bool Found() const { return found_; }
    const BmpFileBytes& File() const { return file_; }
    // "Could not find file PATH" when the file was not found.
    const DecodedBmp& Decoded() const { return decoded_; }

private:
    bool found_ = false;
    BmpFileBytes file_;
    DecodedBmp decoded_;
};

// Converts one BMP file into a Cdata table on the host, or writes the one
// line of complaint. False only when the file was not opened: it cannot be,
// or its name holds a control character and so cannot label the table.
bool ConvertBmpFile(ConverterHost& host, const std::string& path);

// Converts a BMP file already in memory, as ConvertBmpFile does once it has
// read the file: bytes are the start of a file of fileLength bytes, and the
// table is labelled label (refused when it holds a control character).
void ConvertBmpBytes(ConverterHost& host, const std::string& label, std::span<const std::uint8_t> bytes,
                     std::int64_t fileLength);

// Writes the decoded file's complaint, or converts its image into a table
// labelled label (refused when it holds a control character).
void ConvertDecodedBmp(ConverterHost& host, const std::string& label, const DecodedBmp& decoded);

}  // namespace bmp2cdata
