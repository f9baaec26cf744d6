// The entry: a handler's exception ends the message loop and reaches the
// application's message box, and nothing more is dispatched.

#include "ConverterHost.h"
#include "Program.h"
#include "ScriptedApplication.h"
#include "UnitMain.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

using namespace bmp2cdata;

namespace {

using win32::PutOnClipboard;
using win32::RunProgram;
using win32::TForm1;
using Shown = std::vector<std::pair<std::wstring, std::wstring>>;

// Convert is clicked, and clicked again (twice) during the run; the chooser
// throws from its second call on.
TEST(Program, ExceptionInANestedRunEndsBothRunsAndIsShownAsASentence)
{
    ScratchFolder folder;
    const std::string image = folder.Write("logo.bmp", {.width = 4, .height = 5});
    ScriptedApplication application;
    Shown shown;
    application.SetExceptionDisplay([&](const std::wstring& title, const std::wstring& message) {
        shown.emplace_back(title, message);
    });
    StopConversion = false;
    PutOnClipboard(nullptr, L"before");
    int chooserCalls = 0;
    const int status = RunProgram(application, [&](TForm1& form) {
        form.SetFileChooser([&]() -> std::optional<std::string> {
            if (++chooserCalls > 1)
                throw std::runtime_error("chooser failed");
            return image;
        });
        application.AtPump(3, [&form] {
            PostMessageW(form.ConvertButton, BM_CLICK, 0, 0);
            PostMessageW(form.ConvertButton, BM_CLICK, 0, 0);
        });
        PostMessageW(form.ConvertButton, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shown, (Shown{{L"Tavrel BMP to Cdata", L"chooser failed."}}));
    EXPECT_EQ(chooserCalls, 2);  // the second click during the run was never dispatched
    EXPECT_EQ(ClipboardText(), L"before");  // the outer run did not go on to copy
}

}  // namespace
