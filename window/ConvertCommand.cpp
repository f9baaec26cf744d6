#include "ConvertCommand.h"

#include "ConvertBmpFile.h"
#include "ConverterHost.h"

#include <utility>

namespace bmp2cdata {

void RunConvertCommand(ConverterHost& host, const std::optional<std::string>& droppedFile)
{
    StopConversion = false;
    host.ClearOutput();
    const std::optional<std::string> path = droppedFile ? droppedFile : host.ChooseFile();
    if (path)
        ConvertBmpFile(host, *path);
}

void RunDropCommand(ConverterHost& host, const std::vector<std::string>& files)
{
    if (files.size() == 1) {
        RunConvertCommand(host, files.front());
        return;
    }
    host.ClearOutput();
    host.AddLine(kDropOneFile);
}

bool RunNesting::Run(const std::function<void()>& conversion)
{
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    };
    {
        ++depth_;
        Leave leave{depth_};
        conversion();
    }
    return depth_ == 0 && std::exchange(closeRequested_, false);
}

bool RunNesting::MayClose()
{
    if (!Active())
        return true;
    closeRequested_ = true;
    return false;
}

}  // namespace bmp2cdata
