#include "CommandLineHost.h"

void CommandLineHost::AddLine(const std::string& line)
{
    output_ += line;
    output_ += kLineEnd;
}

void CommandLineHost::ClearOutput()
{
    output_.clear();
    clipboardLength_.reset();
}

std::optional<std::string_view> CommandLineHost::Clipboard() const
{
    if (!clipboardLength_)
        return std::nullopt;
    return std::string_view(output_).substr(0, *clipboardLength_);
}
