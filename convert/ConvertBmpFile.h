#pragma once

#include "BmpDecode.h"
#include "BmpFile.h"

#include <cstdint>
#include <span>
#include <string>

class ConverterHost;

// A file read and decoded as a run reads and decodes it: the complaint a run
// would write, or the image. Move-only, since the image points into the
// bytes it owns.
class LoadedBmp {
public:
    explicit LoadedBmp(const std::string& path);
    LoadedBmp(LoadedBmp&&) noexcept = default;
    LoadedBmp& operator=(LoadedBmp&&) noexcept = default;
    LoadedBmp(const LoadedBmp&) = delete;
    LoadedBmp& operator=(const LoadedBmp&) = delete;

    // False when the path could not be opened as a file to read.
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
// line of complaint. False only when the path cannot be opened as a file.
bool ConvertBmpFile(ConverterHost& host, const std::string& path);

// Converts a BMP file already in memory, as ConvertBmpFile does once it has
// read the file: bytes are the start of a file of fileLength bytes, and path
// gives the table its label.
void ConvertBmpBytes(ConverterHost& host, const std::string& path, std::span<const std::uint8_t> bytes,
                     std::int64_t fileLength);

// Writes the decoded file's complaint, or converts its image into a table
// labelled after path.
void ConvertDecodedBmp(ConverterHost& host, const std::string& path, const DecodedBmp& decoded);
