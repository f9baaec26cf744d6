#pragma once

#include "ConverterHost.h"

#include <optional>
#include <string>

// Carries a conversion without a screen: lines are collected, the clipboard
// is a snapshot of them, and the option is fixed for the whole run.
class CommandLineHost : public ConverterHost {
public:
    explicit CommandLineHost(bool rgb332) : rgb332_(rgb332) {}

    void AddLine(const std::string& line) override;
    void ClearOutput() override;
    void CopyAllToClipboard() override;
    void PumpEvents() override {}
    bool Rgb332Selected() override { return rgb332_; }
    std::optional<std::string> ChooseFile() override { return std::nullopt; }

    // The table, as a window would have put it on the clipboard; nothing when
    // the run gave a complaint instead.
    const std::optional<std::string>& Clipboard() const { return clipboard_; }
    // Everything written so far, each line ended by a newline.
    const std::string& Output() const { return output_; }

private:
    bool rgb332_;
    std::string output_;
    std::optional<std::string> clipboard_;
};
