#include "CommandLineHost.h"

void CommandLineHost::AddLine(const std::string& line)
{
    output_ += line;
    output_ += '\n';
}

void CommandLineHost::ClearOutput()
{
    output_.clear();
}

void CommandLineHost::CopyAllToClipboard()
{
    clipboard_ = output_;
}
