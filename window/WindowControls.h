#pragma once

#include <functional>
#include <optional>
#include <string>

namespace bmp2cdata {

// What a toolkit does for the converter window (ConverterWindow): it puts
// text in the window's controls and reads it back, owns the clipboard and
// the file dialog, and runs the event loop. What the window does with them
// is decided once, in ConverterWindow, for every toolkit.
class WindowControls {
public:
    virtual ~WindowControls() = default;

    // Puts text (UTF-8, its lines joined by the area's line break) at the
    // end of the output area.
    virtual void AppendOutput(const std::string& text) = 0;
    // Whether the output area holds no character at all.
    virtual bool OutputEmpty() = 0;
    // The whole text of the output area, in UTF-8.
    virtual std::string OutputText() = 0;
    // Empties the output area.
    virtual void EmptyOutput() = 0;
    // Selects as much of the start of the output area as text (UTF-8) spans
    // and gives the area the keyboard focus, so that a copy takes text.
    virtual void SelectLeadingOutput(const std::string& text) = 0;
    // Places text on the clipboard; false when the clipboard could not be had.
    virtual bool PlaceOnClipboard(const std::string& text) = 0;
    // Dispatches every pending event without waiting for new ones.
    virtual void ProcessEvents() = 0;
    // Whether the RGB332 option is ticked.
    virtual bool Rgb332Ticked() = 0;
    // Shows the modal file-open dialog: the chosen file's full path (UTF-8),
    // or nothing when the user cancelled.
    virtual std::optional<std::string> ShowOpenDialog() = 0;
    // Runs call once control is back in the event loop.
    virtual void CallLater(std::function<void()> call) = 0;
    // Asks the window to close, as its close box does.
    virtual void CloseWindow() = 0;
};

}  // namespace bmp2cdata
