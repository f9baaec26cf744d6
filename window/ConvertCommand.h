#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bmp2cdata {

class ConverterHost;

// What every window's Convert button does: clears StopConversion and the
// output, asks the host for a file and converts it. A file dropped on the
// window comes as droppedFile and is converted without asking.
void RunConvertCommand(ConverterHost& host, const std::optional<std::string>& droppedFile = std::nullopt);

inline const std::string kDropOneFile = "Drop one file at a time.";

// What every window does with the files of one drop: converts a single one
// as if it had been chosen; of several it converts none and says so in the
// output area, as it complains about a file it cannot convert.
void RunDropCommand(ConverterHost& host, const std::vector<std::string>& files);

// Counts the conversions running in one window, nested through its event
// pumps, and holds a request to close the window made during one, so that
// the window closes only once the outermost run has returned.
class RunNesting {
public:
    // Runs one conversion; true when it was the outermost one and a close
    // was asked for while it ran.
    bool Run(const std::function<void()>& conversion);
    // Whether a conversion is running.
    bool Active() const { return depth_ > 0; }
    // Whether a close is held until the outermost run returns.
    bool CloseHeld() const { return closeRequested_; }
    // A request to close the window: true when it may close now; otherwise
    // it is held until the outermost run returns.
    bool MayClose();

private:
    int depth_ = 0;
    bool closeRequested_ = false;
};

}  // namespace bmp2cdata
