#include "BufferHost.h"

namespace bmp2cdata {

void BufferHost::AddLine(const std::string& line)
{
    output_ += line;
    output_ += lineEnd_;
}

void BufferHost::ClearOutput()
{
    output_.clear();
    clipboardLength_.reset();
}

std::optional<std::string_view> BufferHost::Clipboard() const
{
    if (!clipboardLength_)
        return std::nullopt;
    return std::string_view(output_).substr(0, *clipboardLength_);
}

}  // namespace bmp2cdata
