#pragma once

#include <string>
#include <string_view>
#include <vector>

// Runs bmp2cdata with its arguments (UTF-8, program name excluded); returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments);

// text as standard error shows it: each control character, line or paragraph
// separator, bidirectional control and invalid UTF-8 byte written as an
// escape (\n, \t, \r, \xHH), and outside Windows the backslash as \\, so that a complaint naming a path stays one line
// that reads as it holds.
std::string EscapeForTerminal(std::string_view text);
