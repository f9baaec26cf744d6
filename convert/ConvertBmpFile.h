#pragma once

#include <cstdint>
#include <span>
#include <string>

class ConverterHost;

// Converts one BMP file into a Cdata table on the host, or writes the one
// line of complaint. False only when the path cannot be opened as a file.
bool ConvertBmpFile(ConverterHost& host, const std::string& path);

// Converts a BMP file already in memory, as ConvertBmpFile does once it has
// read the file: bytes are the start of a file of fileLength bytes, and path
// gives the table its label.
void ConvertBmpBytes(ConverterHost& host, const std::string& path, std::span<const std::uint8_t> bytes,
                     std::int64_t fileLength);
