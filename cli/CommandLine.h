#pragma once

#include "ConvertPicture.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the arguments ask for.
struct Options {
    bool rgb332 = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> outputPath;
    std::optional<std::string> label;
    std::vector<std::string> inputPaths;
    // The size of the test card to write instead of pictures.
    std::optional<bmp2cdata::PictureSize> testCard;
    bmp2cdata::PictureOptions picture;
};

// Parses the arguments; nothing, with the reason for the usage error, when
// they make no sense.
std::optional<Options> ParseArguments(const std::vector<std::string>& arguments, std::string& problem);

// Runs bmp2cdata with its arguments (UTF-8, program name excluded); returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments);

// text as standard error shows it: each control character, line or paragraph
// separator, bidirectional control and invalid UTF-8 byte written as an
// escape (\n, \t, \r, \xHH), and outside Windows the backslash as \\, so that a complaint naming a path stays one line
// that reads as it holds.
std::string EscapeForTerminal(std::string_view text);
