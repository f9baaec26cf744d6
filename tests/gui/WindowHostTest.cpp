// The window's host gathers lines and shows them once a frame; whoever looks
// at the output area must still see every line, in order, when it matters.

#include "ConverterHost.h"
#include "PumpScript.h"
#include "UnitMain.h"
#include "WindowHost.h"
#include "support/BmpBuilder.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <thread>

namespace {

class Host : public ::testing::Test {
protected:
    QPlainTextEdit output;
    QCheckBox option;
    WindowHost host{output, option, {}};
};

TEST_F(Host, EmptyLinesCountEvenInAnEmptyArea)
{
    host.AddLine("");
    host.ShowPendingLines();
    host.AddLine("");
    host.AddLine("last");
    host.CopyAllToClipboard();
    EXPECT_EQ(output.toPlainText(), "\n\nlast");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "\n\nlast\n");

    host.ClearOutput();
    host.AddLine("");
    host.CopyAllToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "\n");
}

TEST_F(Host, ClearDropsLinesNotYetShown)
{
    host.AddLine("before the clear");
    host.ClearOutput();
    host.AddLine("after");
    host.ShowPendingLines();
    EXPECT_EQ(output.toPlainText(), "after");
}

TEST_F(Host, LinesAppearWithinAFrame)
{
    host.AddLine("first");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    host.PumpEvents();
    EXPECT_EQ(output.toPlainText(), "first");
}

TEST_F(Host, ManyLinesAppearWithoutWaitingForTheFrame)
{
    for (int line = 0; line < 5000; ++line)
        host.AddLine("line " + std::to_string(line));
    host.PumpEvents();
    EXPECT_TRUE(output.toPlainText().endsWith("line 4999"));
}

TEST(WindowHostInForm, UserSeesDataLinesArriveDuringTheRun)
{
    ScratchFolder folder;
    TForm1 form;
    const std::string image = folder.Write("long.bmp", {.width = 8, .height = 8});
    form.SetFileChooser([&] { return std::optional<std::string>(image); });
    form.show();
    StopConversion = false;
    QString seen;
    // After the first data line, a frame passes; the second line's pump
    // shows both to whoever looks.
    AtPump(64 + 1, [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    AtPump(64 + 2, [&] { seen = form.Memo1->toPlainText(); });
    form.ConvertButton->click();
    EXPECT_EQ(seen.count('\n'), 6) << seen.toStdString();
    EXPECT_TRUE(seen.endsWith("$0000,_"));
}

}  // namespace
