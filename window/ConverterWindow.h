#pragma once

#include "ConvertCommand.h"
#include "ConverterHost.h"
#include "WindowControls.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bmp2cdata {

// The time as the window sees it; tests replace it.
struct WindowClock {
    using Clock = std::chrono::steady_clock;

    std::function<Clock::time_point()> now;
    std::function<void(Clock::duration)> sleep;

    // The real time.
    static WindowClock System();
};

// The converter's window apart from its toolkit: it carries conversions in
// the window's controls (the ConverterHost), and decides what the Convert
// and Close buttons, the close box and a dropped file do. The toolkit only
// routes its events here and carries out WindowControls.
//
// A run writes thousands of lines between pumps that cost a microsecond
// each; laying out and repainting the output area for every line would take
// seconds. Lines are therefore gathered and handed to the output area at
// most once a frame, and always before anything reads or clears it.
class ConverterWindow : public ConverterHost {
public:
    using FileChooser = std::function<std::optional<std::string>()>;

    // lineBreak is what separates lines in the toolkit's output area.
    ConverterWindow(WindowControls& controls, std::string lineBreak, WindowClock clock = WindowClock::System());

    void AddLine(const std::string& line) override;
    void ClearOutput() override;
    // Retries for a while, pumping events, when another program holds the
    // clipboard; Close ends the retries at once. A Convert press or a drop
    // meanwhile waits until the copy has ended, then runs.
    void CopyAllToClipboard() override;
    bool CopiedToClipboard() override { return copied_; }
    void PumpEvents() override;
    bool Rgb332Selected() override;
    std::optional<std::string> ChooseFile() override;

    // Empties the output area, asks for a file and converts it.
    void ConvertButtonClick();
    // Stops a running conversion and closes the window once no run is left.
    void CloseButtonClick();
    // The window is asked to close (Close, or its close box, which does not
    // stop a run): true when it may close now; otherwise it closes once the
    // outermost run has returned.
    bool CloseRequested();
    // Converts a dropped file as if it had been chosen, or refuses several,
    // once control is back in the event loop, so that the dragging program
    // does not wait.
    void FilesDropped(std::vector<std::string> paths);

    // Replaces the file dialog by another chooser, for example one for tests.
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // Whether a conversion is running (possibly several, nested).
    bool Converting() const { return runs_.Active(); }
    // Shows every line added so far in the output area.
    void ShowPendingLines();

private:
    // Runs a command of the Convert button's kind as one run.
    void Run(const std::function<void()>& command);
    std::string ClipboardText();

    WindowControls& controls_;
    std::string lineBreak_;
    WindowClock clock_;
    FileChooser chooser_;
    RunNesting runs_;
    // The lines not shown yet, joined by line breaks.
    std::string pending_;
    std::size_t pendingLines_ = 0;
    // Whether the output area holds one empty line of a run, which looks
    // the same as an empty area.
    bool holdsOneEmptyLine_ = false;
    // Whether lines were shown since the last pump, which paints them.
    bool unpainted_ = false;
    bool copied_ = true;
    // Whether the clipboard is being retried, and the command pressed meanwhile.
    bool copying_ = false;
    std::function<void()> held_;
    // The text the last copy could not place, to be selected for the user.
    std::optional<std::string> unplaced_;
    WindowClock::Clock::time_point shownAt_;
};

}  // namespace bmp2cdata
