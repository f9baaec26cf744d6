#pragma once

#include <string>
#include <vector>

// Runs bmp2cdata with its arguments (UTF-8, program name excluded); returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments);
