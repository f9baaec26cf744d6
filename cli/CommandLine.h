#pragma once

#include <string>
#include <string_view>
#include <vector>

// Runs bmp2cdata with its arguments (UTF-8, program name excluded); returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments);

// Text with its control characters written as escapes (\n, \t, \r, \xHH),
// so that a complaint naming a path stays on one line.
std::string EscapeControlCharacters(std::string_view text);
