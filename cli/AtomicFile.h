#pragma once

#include <string>

// Writes text to path through a temporary file in the same folder that is
// renamed over it, so that path is never left half-written. On failure path
// is untouched and error says why.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);
