#pragma once

#include "ConverterHost.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

class TApplication;

// Carries a conversion in the window: lines go to the output area, the
// clipboard gets its text, and messages are dispatched while the run goes on.
//
// Appending a line to an edit control re-lays and repaints it; doing that for
// each of a large table's 4,800 lines takes seconds. Lines are therefore
// gathered and handed to the output area at most once a frame, and always
// before anything reads or clears it.
class WindowHost : public ConverterHost {
public:
    using FileChooser = std::function<std::optional<std::string>()>;

    WindowHost(TApplication& application, HWND output, HWND rgb332Option, FileChooser chooser);

    void AddLine(const std::string& line) override;
    void ClearOutput() override;
    void CopyAllToClipboard() override;
    void PumpEvents() override;
    bool Rgb332Selected() override;
    std::optional<std::string> ChooseFile() override;

    // Replaces the file chooser, for example by one that shows no dialog.
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // Shows every line added so far in the output area.
    void ShowPendingLines();

private:
    using Clock = std::chrono::steady_clock;

    TApplication& application_;
    HWND output_;
    HWND rgb332Option_;
    FileChooser chooser_;
    // The lines not shown yet, joined by line breaks.
    std::wstring pending_;
    std::size_t pendingLines_ = 0;
    // Whether the output area holds lines of a run; an area holding one
    // empty line looks the same as an empty one.
    bool outputHasLines_ = false;
    Clock::time_point shownAt_ = Clock::now();
};

// Places text on the clipboard as Unicode text, owned by window.
void PutOnClipboard(HWND window, const std::wstring& text);
