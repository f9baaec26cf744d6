#include "ConverterWindow.h"

#include <thread>
#include <utility>

namespace bmp2cdata {

namespace {

using namespace std::chrono_literals;

// How long lines may wait before they are shown: one frame at 60 Hz,
// counted from the end of the last showing, which under Wine takes longer
// than a frame (counted from its start, lines would go out one by one).
constexpr auto kFrame = 16ms;
// How many lines may wait at most: showing them must itself fit well in a
// frame (2048 table lines take about 4 ms to insert and repaint in Qt),
// while each showing has a cost of its own, so fewer and larger batches are
// cheaper.
constexpr std::size_t kMostPendingLines = 2048;
// Clipboard managers and remote-desktop clients hold the clipboard open for
// a few tenths of a second; a clipboard still busy after a second is taken
// to stay so.
constexpr auto kClipboardPatience = 1s;
constexpr auto kClipboardRetryDelay = 10ms;

}  // namespace

WindowClock WindowClock::System()
{
    return {Clock::now, [](Clock::duration span) { std::this_thread::sleep_for(span); }};
}

ConverterWindow::ConverterWindow(WindowControls& controls, std::string lineBreak, WindowClock clock)
    : controls_(controls), lineBreak_(std::move(lineBreak)), clock_(std::move(clock)), shownAt_(clock_.now())
{
}

void ConverterWindow::AddLine(const std::string& line)
{
    if (pendingLines_ > 0)
        pending_ += lineBreak_;
    pending_ += line;
    ++pendingLines_;
}

void ConverterWindow::ShowPendingLines()
{
    if (pendingLines_ > 0) {
        // A line break separates the new lines from whatever the area holds,
        // which may be one empty line of ours; an area the user has emptied
        // takes them without one.
        const bool empty = controls_.OutputEmpty();
        if (!empty || holdsOneEmptyLine_)
            pending_.insert(0, lineBreak_);
        holdsOneEmptyLine_ = pending_.empty();
        if (!pending_.empty())
            controls_.AppendOutput(pending_);
        pending_.clear();
        pendingLines_ = 0;
        unpainted_ = true;
    }
    shownAt_ = clock_.now();
}

void ConverterWindow::ClearOutput()
{
    pending_.clear();
    pendingLines_ = 0;
    controls_.EmptyOutput();
    holdsOneEmptyLine_ = false;
    unplaced_.reset();
}

std::string ConverterWindow::ClipboardText()
{
    // Every line on the clipboard ends with a line break, so that a paste
    // leaves the cursor on a fresh line, as the command-line host's output.
    std::string text = controls_.OutputText();
    if (!text.empty() || holdsOneEmptyLine_)
        text += lineBreak_;
    return text;
}

void ConverterWindow::CopyAllToClipboard()
{
    ShowPendingLines();
    // The text is taken once: what a handler does to the area while the
    // clipboard is busy is not part of this run's table.
    const std::string text = ClipboardText();
    const auto deadline = clock_.now() + kClipboardPatience;
    {
        struct Leave {
            bool& copying;
            ~Leave() { copying = false; }
        };
        copying_ = true;
        Leave leave{copying_};
        while (!(copied_ = controls_.PlaceOnClipboard(text)) && clock_.now() < deadline && !runs_.CloseHeld()) {
            PumpEvents();
            clock_.sleep(kClipboardRetryDelay);
        }
    }
    unplaced_ = copied_ ? std::nullopt : std::optional(text);
    // A command pressed meanwhile runs once this run has written its closing
    // lines, unless the window is closing.
    if (std::function<void()> held = std::exchange(held_, nullptr); held && !runs_.CloseHeld())
        controls_.CallLater(std::move(held));
}

void ConverterWindow::PumpEvents()
{
    // Lines added since a showing that has not been painted yet join its
    // repaint at no extra cost.
    if (pendingLines_ >= kMostPendingLines ||
        (pendingLines_ > 0 && (unpainted_ || clock_.now() - shownAt_ >= kFrame)))
        ShowPendingLines();
    controls_.ProcessEvents();
    unpainted_ = false;
}

bool ConverterWindow::Rgb332Selected()
{
    return controls_.Rgb332Ticked();
}

std::optional<std::string> ConverterWindow::ChooseFile()
{
    return chooser_ ? chooser_() : controls_.ShowOpenDialog();
}

void ConverterWindow::ConvertButtonClick()
{
    Run([this] { RunConvertCommand(*this); });
}

void ConverterWindow::CloseButtonClick()
{
    StopConversion = true;
    controls_.CloseWindow();
}

bool ConverterWindow::CloseRequested()
{
    return runs_.MayClose();
}

void ConverterWindow::FilesDropped(std::vector<std::string> paths)
{
    controls_.CallLater([this, paths = std::move(paths)] { Run([this, paths] { RunDropCommand(*this, paths); }); });
}

void ConverterWindow::Run(const std::function<void()>& command)
{
    // Pressed while the clipboard is retried, a command would change the
    // area under the run that is copying it; it waits for the copy instead.
    if (copying_) {
        held_ = [this, command] { Run(command); };
        return;
    }
    const bool closeAskedFor = runs_.Run([&] {
        command();
        ShowPendingLines();
        // A table that did not reach the clipboard is selected, so that
        // Ctrl+C copies it, and nothing but it.
        if (unplaced_)
            controls_.SelectLeadingOutput(*std::exchange(unplaced_, std::nullopt));
    });
    // A close asked for during the run takes effect once the last run is
    // over, when control is about to return to the event loop.
    if (closeAskedFor)
        controls_.CallLater([this] { controls_.CloseWindow(); });
}

}  // namespace bmp2cdata
