#pragma once

#include <string>

class ConverterHost;

// Converts one BMP file into a Cdata table on the host, or writes the one
// line of complaint. False only when the path cannot be opened as a file.
bool ConvertBmpFile(ConverterHost& host, const std::string& path);
