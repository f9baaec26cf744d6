#pragma once

#include "ConverterHost.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Windows editors and BASIC IDEs expect CR LF; everything else gets LF.
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

// Carries a conversion without a screen: lines are appended to a buffer the
// caller owns, the clipboard is the part of it written before the copy, and
// the option is fixed for the whole run.
class CommandLineHost : public ConverterHost {
public:
    CommandLineHost(bool rgb332, std::string& output) : rgb332_(rgb332), output_(output) {}

    void AddLine(const std::string& line) override;
    void ClearOutput() override;
    void CopyAllToClipboard() override { clipboardLength_ = output_.size(); }
    void PumpEvents() override {}
    bool Rgb332Selected() override { return rgb332_; }
    std::optional<std::string> ChooseFile() override { return std::nullopt; }

    // The table, as a window would have put it on the clipboard; nothing when
    // the run gave a complaint instead.
    std::optional<std::string_view> Clipboard() const;

private:
    bool rgb332_;
    std::string& output_;
    std::optional<std::size_t> clipboardLength_;
};

