// What every converter window decides whatever its toolkit: how the output
// area takes a run's lines, what the clipboard gets, and what Convert,
// Close, the close box and a drop do. Driven through fake controls and a
// fake clock, so that no window and no waiting is needed.

#include "CdataTable.h"
#include "ConverterHost.h"
#include "ConverterWindow.h"
#include "ExceptionText.h"
#include "WindowGeometry.h"
#include "support/BmpBuilder.h"
#include "support/WorkedExamples.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

using namespace bmp2cdata;

namespace {

using namespace std::chrono_literals;

// The output area as a string; the clipboard as another.
class FakeControls : public WindowControls {
public:
    void AppendOutput(const std::string& text) override { output += text; }
    bool OutputEmpty() override { return output.empty(); }
    std::string OutputText() override { return output; }
    void EmptyOutput() override { output.clear(); }
    void SelectLeadingOutput(const std::string& text) override { selected = output.substr(0, text.size()); }
    bool PlaceOnClipboard(const std::string& text) override
    {
        if (busy())
            return false;
        clipboard = text;
        return true;
    }
    void ProcessEvents() override
    {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    bool Rgb332Ticked() override { return false; }
    std::optional<std::string> ShowOpenDialog() override { return choice; }
    void CallLater(std::function<void()> call) override { later.push_back(std::move(call)); }
    void CloseWindow() override { closed = closed || window->CloseRequested(); }

    // What the event loop does once control is back in it.
    void RunLater()
    {
        for (; !later.empty(); later.pop_front())
            later.front()();
    }

    ConverterWindow* window = nullptr;
    std::string output;
    std::string selected;
    std::string clipboard = "before";
    std::function<bool()> busy = [] { return false; };
    int pumps = 0;
    std::function<void(int)> onPump;
    std::optional<std::string> choice;
    std::deque<std::function<void()>> later;
    bool closed = false;
};

class WindowModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        StopConversion = false;
        controls.window = &window;
    }

    std::string Logo() { return folder.Write("logo.bmp", {.width = 4, .height = 5, .colour = White}); }
    static Rgb White(int, int) { return {255, 255, 255}; }

    ScratchFolder folder;
    FakeControls controls;
    WindowClock::Clock::time_point time{};
    WindowClock clock{[this] { return time; }, [this](WindowClock::Clock::duration span) { time += span; }};
    ConverterWindow window{controls, "\n", clock};
};

TEST_F(WindowModel, LinesWaitForAFrameUnlessManyArePendingOrARepaintIsDue)
{
    window.AddLine("first");
    window.PumpEvents();
    EXPECT_EQ(controls.output, "");
    time += 16ms;
    window.PumpEvents();
    EXPECT_EQ(controls.output, "first");

    for (int line = 0; line < 2048; ++line)
        window.AddLine("many");
    window.PumpEvents();
    EXPECT_TRUE(controls.output.ends_with("\nmany"));

    // Lines added after a showing outside a pump join the repaint it is due.
    window.AddLine("a");
    window.ShowPendingLines();
    window.AddLine("b");
    window.PumpEvents();
    EXPECT_TRUE(controls.output.ends_with("\na\nb"));
}

TEST_F(WindowModel, EmptyLinesCountButAnAreaEmptiedByHandStartsAfresh)
{
    window.AddLine("");
    window.ShowPendingLines();  // one empty line of ours looks like an empty area
    window.AddLine("");
    window.AddLine("last");
    window.CopyAllToClipboard();
    EXPECT_EQ(controls.output, "\n\nlast");
    EXPECT_EQ(controls.clipboard, "\n\nlast\n");

    controls.output.clear();  // the user selects all and deletes it mid-run
    window.AddLine("next");
    window.CopyAllToClipboard();
    EXPECT_EQ(controls.clipboard, "next\n");

    window.AddLine("dropped");
    window.ClearOutput();
    window.AddLine("");
    window.CopyAllToClipboard();
    EXPECT_EQ(controls.clipboard, "\n");
}

TEST_F(WindowModel, BusyClipboardIsRetriedWhileEventsGoOnAndThenGivenUpInPlainWords)
{
    // Held for half a second: copied in the end, the window responsive meanwhile.
    const auto freed = time + 500ms;
    controls.busy = [&] { return time < freed; };
    controls.choice = Logo();
    controls.onPump = [&](int pump) {
        if (pump == 22 + 2)
            controls.output += "typed meanwhile";
    };
    window.ConvertButtonClick();
    EXPECT_EQ(controls.clipboard, kWhiteLogoWordTable);
    EXPECT_TRUE(controls.output.ends_with(kClosingMessage));
    EXPECT_GT(controls.pumps, 20 + 2 + 40);  // pixels, data lines, and the waits

    // Held for good: the table stays in the area and the last line says so.
    controls.onPump = nullptr;
    controls.busy = [] { return true; };
    const auto started = time;
    window.ConvertButtonClick();
    EXPECT_EQ(time - started, 1s);
    EXPECT_EQ(controls.clipboard, kWhiteLogoWordTable);  // the earlier copy
    EXPECT_EQ(controls.output, kWhiteLogoWordTable + "\n" + kCopyFailedMessage);
    EXPECT_EQ(controls.selected, kWhiteLogoWordTable);  // what Ctrl+C then copies
    EXPECT_FALSE(controls.closed);
}

// Convert pressed (its dialog cancelled), or a file dropped, while a busy
// clipboard is retried: the command runs once the run has written its one
// closing line, whether the copy was made in the end or not.
TEST_F(WindowModel, CommandGivenWhileTheClipboardIsRetriedRunsOnceTheCopyHasEnded)
{
    const std::string closing = kClosingLines.substr(0, kClosingLines.size() - 1);
    const struct {
        bool drop;
        WindowClock::Clock::duration busyFor;
        std::string ending, clipboard, outputAfter;
    } cases[] = {
        {false, 500ms, closing, kWhiteLogoWordTable, ""},
        {true, 2s, "\n" + kCopyFailedMessage, "before", kWhiteLogoWordTable + closing},
    };
    for (const auto& c : cases) {
        controls.clipboard = "before";
        const auto freed = time + c.busyFor;
        controls.busy = [&] { return time < freed; };
        controls.choice = Logo();
        controls.onPump = [&](int pump) {
            if (pump != 22 + 2)
                return;
            c.drop ? window.FilesDropped({Logo()}) : window.ConvertButtonClick();
            controls.choice = std::nullopt;
            controls.RunLater();  // a drop's call comes back in a pump
        };
        controls.pumps = 0;
        window.ConvertButtonClick();
        EXPECT_EQ(controls.output, kWhiteLogoWordTable + c.ending);
        EXPECT_EQ(controls.clipboard, c.clipboard);
        controls.onPump = nullptr;
        controls.RunLater();
        EXPECT_EQ(controls.output, c.outputAfter);
    }
}

TEST_F(WindowModel, CloseOrTheCloseBoxEndsTheRetriesAtOnceAndClosesAfterTheRun)
{
    controls.busy = [] { return true; };
    for (const bool button : {true, false}) {
        controls.closed = false;
        controls.choice = Logo();
        controls.onPump = [&](int pump) {
            if (pump == 22 + 1)
                button ? window.CloseButtonClick() : controls.CloseWindow();
        };
        controls.pumps = 0;
        const auto started = time;
        window.ConvertButtonClick();
        EXPECT_LT(time - started, 100ms);
        EXPECT_TRUE(controls.output.ends_with(kCopyFailedMessage));
        controls.RunLater();
        EXPECT_TRUE(controls.closed);
    }
}

TEST_F(WindowModel, CancelledDialogLeavesTheAreaEmpty)
{
    controls.output = "text of an earlier run";
    window.ConvertButtonClick();
    EXPECT_EQ(controls.output, "");
    EXPECT_EQ(controls.clipboard, "before");
}

TEST_F(WindowModel, CloseDuringARunStopsItAndClosesOnceItHasReturned)
{
    controls.choice = Logo();
    controls.onPump = [&](int pump) {
        if (pump == 3)
            window.CloseButtonClick();
    };
    window.ConvertButtonClick();
    EXPECT_TRUE(StopConversion);
    EXPECT_FALSE(controls.closed);
    EXPECT_EQ(controls.clipboard, kWhiteLogoWordTable.substr(0, kWhiteLogoWordTable.find("          ")));
    controls.RunLater();
    EXPECT_TRUE(controls.closed);
}

TEST_F(WindowModel, CloseBoxLetsTheRunCompleteThenCloses)
{
    controls.choice = Logo();
    controls.onPump = [&](int pump) {
        if (pump == 3)
            controls.CloseWindow();
    };
    window.ConvertButtonClick();
    EXPECT_FALSE(StopConversion);
    EXPECT_EQ(controls.output, kWhiteLogoWordTable + kClosingLines.substr(0, kClosingLines.size() - 1));
    EXPECT_FALSE(controls.closed);
    controls.RunLater();
    EXPECT_TRUE(controls.closed);
}

TEST_F(WindowModel, DroppedFileIsConvertedOnceTheDropHasReturnedWithoutTheDialogAndSeveralAreRefused)
{
    window.SetFileChooser([]() -> std::optional<std::string> { throw std::logic_error("dialog shown"); });
    const std::string closing = kClosingLines.substr(0, kClosingLines.size() - 1);
    const struct {
        std::vector<std::string> files;
        std::string output, clipboard;
    } cases[] = {
        {{Logo()}, kWhiteLogoWordTable + closing, kWhiteLogoWordTable},
        {{Logo(), Logo()}, kDropOneFile, "before"},
    };
    for (const auto& c : cases) {
        controls.clipboard = "before";
        controls.output = "earlier";
        window.FilesDropped(c.files);
        EXPECT_EQ(controls.output, "earlier");
        controls.RunLater();
        EXPECT_EQ(controls.output, c.output);
        EXPECT_EQ(controls.clipboard, c.clipboard);
    }
}

// Convert pressed after the first data line of an 8 x 8 black picture: the
// nested run empties the area and writes its own table, or nothing when its
// dialog is cancelled; then the outer run writes its last three lines and
// copies the area.
TEST_F(WindowModel, ConvertPressedDuringARunIsFollowedByTheOuterRunsRest)
{
    std::string zeros = "          $0000";
    for (int value = 1; value < 16; ++value)
        zeros += ",$0000";
    const std::string rest = zeros + ",_\n" + zeros + ",_\n" + zeros + "\n";
    const std::string outer = folder.Write("outer.bmp", {.width = 8, .height = 8});
    const std::string closing = kClosingLines.substr(0, kClosingLines.size() - 1);
    const struct {
        std::optional<std::string> nested;
        std::string before;  // what the nested run leaves above the rest
    } cases[] = {{Logo(), kWhiteLogoWordTable + closing + "\n"}, {std::nullopt, ""}};
    for (const auto& c : cases) {
        std::deque<std::optional<std::string>> choices = {outer, c.nested};
        window.SetFileChooser([&] {
            std::optional<std::string> choice = choices.front();
            choices.pop_front();
            return choice;
        });
        controls.onPump = [&](int pump) {
            if (pump == 64 + 1)
                window.ConvertButtonClick();
        };
        controls.pumps = 0;
        window.ConvertButtonClick();
        EXPECT_EQ(controls.output, c.before + rest + closing);
        EXPECT_EQ(controls.clipboard, c.before + rest);
        EXPECT_FALSE(window.Converting());
    }
}

TEST_F(WindowModel, ExceptionInANestedRunEndsTheOuterRunAsWell)
{
    int chooserCalls = 0;
    window.SetFileChooser([&]() -> std::optional<std::string> {
        if (++chooserCalls > 1)
            throw std::runtime_error("chooser failed");
        return Logo();
    });
    controls.onPump = [&](int pump) {
        if (pump == 3)
            window.ConvertButtonClick();
    };
    EXPECT_THROW(window.ConvertButtonClick(), std::runtime_error);
    EXPECT_EQ(controls.clipboard, "before");
    EXPECT_FALSE(window.Converting());
    // A close asked for afterwards is not held for a run that is gone.
    EXPECT_TRUE(window.CloseRequested());
}

TEST_F(WindowModel, FileDroppedDuringARunIsConvertedOnceTheRunHasReturned)
{
    const std::string dropped = folder.Write("dropped.bmp", {.width = 4, .height = 5, .colour = White});
    controls.choice = Logo();
    controls.onPump = [&](int pump) {
        if (pump == 3)
            window.FilesDropped({dropped});
    };
    window.ConvertButtonClick();
    EXPECT_EQ(controls.clipboard, kWhiteLogoWordTable);
    controls.onPump = nullptr;
    controls.RunLater();
    std::string table = kWhiteLogoWordTable;
    EXPECT_EQ(controls.clipboard, table.replace(table.find("logo:-"), 4, "dropped"));
}

TEST(ExceptionText, IsTheMessageAsASentenceOrNothing)
{
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("chooser failed"))), "chooser failed.");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("Access denied."))), "Access denied.");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error(""))), "");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(42)), "");
}

TEST(WindowGeometry, WindowStaysWhereTheFormPutsItUnlessItWouldNotBeWhollyVisible)
{
    const auto place = [](ScreenRect available) { return PlaceForm(915, 482, available); };
    EXPECT_EQ(place({0, 0, 1920, 1080}), (ScreenRect{530, 304, 915, 482}));
    EXPECT_EQ(place({0, 0, 1366, 736}), (ScreenRect{451, 254, 915, 482}));  // 1366 x 768, panel below
    EXPECT_EQ(place({0, 0, 960, 540}), (ScreenRect{45, 58, 915, 482}));     // 1920 x 1080 at scale 2
    EXPECT_EQ(place({0, 24, 800, 400}), (ScreenRect{0, 24, 915, 482}));     // too small: the title shows
}

TEST(WindowGeometry, PicturesGrowByWholeFactorsAndShrinkInProportionCentred)
{
    const ScreenRect frame{10, 20, 160, 160};
    EXPECT_EQ(FitPicture(24, 8, frame), (ScreenRect{18, 76, 144, 48}));    // six times
    EXPECT_EQ(FitPicture(160, 160, frame), frame);
    EXPECT_EQ(FitPicture(320, 80, frame), (ScreenRect{10, 80, 160, 40}));  // halved
    EXPECT_EQ(FitPicture(1000, 1, frame).height, 1);                       // never vanishes
}

}  // namespace
