#pragma once

#include "ConverterHost.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bmp2cdata {

// Carries a conversion without a screen, for the command line and the page:
// lines are appended to a buffer the caller owns, each ended by lineEnd, the
// clipboard is the part of it written before the copy, and the option is
// fixed for the whole run.
class BufferHost : public ConverterHost {
public:
    BufferHost(bool rgb332, std::string& output, std::string_view lineEnd = "\n")
        : rgb332_(rgb332), output_(output), lineEnd_(lineEnd)
    {
    }

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
    std::string_view lineEnd_;
    std::optional<std::size_t> clipboardLength_;
};

}  // namespace bmp2cdata
