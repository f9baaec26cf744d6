// The native window as a user drives it, with the file dialog replaced by a
// scripted chooser and clicks posted from inside the run's event pumps; its
// form on the screen, at 96 and at 144 dots per inch; and the programs'
// resources.

#include "CdataTable.h"
#include "ConvertCommand.h"
#include "ConverterHost.h"
#include "ScriptedApplication.h"
#include "UnitMain.h"
#include "WideText.h"
#include "support/BmpBuilder.h"
#include "support/WorkedExamples.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <deque>
#include <filesystem>
#include <future>
#include <map>
#include <thread>

using namespace bmp2cdata;

namespace {

using win32::PutOnClipboard;
using win32::TForm1;

const std::wstring kLogoTable = Crlf(kWhiteLogoWordTable);
// What follows a table's last line in the output area; no line break ends it.
const std::wstring kClosing = L"\r\n" + WideFromUtf8(kClosingMessage);
const std::wstring kLogoOutput = kLogoTable + kClosing;

class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        StopConversion = false;
        PutOnClipboard(nullptr, L"before");
        form.SetFileChooser([this]() -> std::optional<std::string> {
            ++chooserCalls;
            if (choices.empty())
                return std::nullopt;
            std::optional<std::string> choice = choices.front();
            choices.pop_front();
            return choice;
        });
        form.Show();
    }

    // A quit request left in the queue would end the next test's loop.
    void TearDown() override
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    std::string Image(const std::string& name, int width, int height, Rgb colour = {255, 255, 255})
    {
        return folder.Write(name, {.width = width, .height = height, .colour = [colour](int, int) { return colour; }});
    }
    std::wstring Output() const { return WindowText(form.Memo1); }
    void Click(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }
    void PostClick(HWND control) { PostMessageW(control, BM_CLICK, 0, 0); }
    void ClickAtPump(int pump, HWND control)
    {
        application.AtPump(pump, [control] { PostMessageW(control, BM_CLICK, 0, 0); });
    }
    void Key(WPARAM key)
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
        application.ProcessMessages();
    }

    ScratchFolder folder;
    ScriptedApplication application;
    TForm1 form{application};
    std::deque<std::optional<std::string>> choices;
    int chooserCalls = 0;
};

RECT BoundsInClient(HWND control)
{
    RECT bounds;
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

std::map<HWND, std::wstring> HintsOf(HWND form)
{
    std::map<HWND, std::wstring> hints;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM found) {
        wchar_t kind[64] = {};
        GetClassNameW(window, kind, 64);
        auto& tips = *reinterpret_cast<std::map<HWND, std::wstring>*>(found);
        for (LRESULT tool = 0; std::wstring(kind) == TOOLTIPS_CLASSW && tool < SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0); ++tool) {
            wchar_t text[80] = {};
            TTTOOLINFOW info{};
            info.cbSize = TTTOOLINFOW_V2_SIZE;
            info.lpszText = text;
            SendMessageW(window, TTM_ENUMTOOLSW, static_cast<WPARAM>(tool), reinterpret_cast<LPARAM>(&info));
            tips[reinterpret_cast<HWND>(info.uId)] = text;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&hints));
    hints.erase(form);
    return hints;
}

TEST_F(Window, StartsEmptyWithTheOptionUntickedAndTheFocusOnConvert)
{
    EXPECT_EQ(WindowText(form.Handle()), L"Tavrel 24-bit BMP to Cdata Converter");
    EXPECT_TRUE(Output().empty());
    EXPECT_FALSE(GetWindowLongW(form.Memo1, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(SendMessageW(form.RGB332_Req, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), form.ConvertButton);
    EXPECT_EQ(HintsOf(form.Handle()), (std::map<HWND, std::wstring>{
                                          {form.ConvertButton, L"Load and convert a 24-bit BMP file"},
                                          {form.RGB332_Req, L"Convert data to 8-bit RGB332 format"}}));
}

// The form's controls: their bounds (left, top, right, bottom) at 96 dots
// per inch, and where a form framework puts them at 144, each edge scaled by
// one and a half and rounded.
struct FormControl {
    HWND TForm1::*control;
    RECT at96;
    RECT at144;
};
const FormControl kFormControls[] = {
    {&TForm1::ConvertButton, {792, 408, 867, 433}, {1188, 612, 1301, 650}},
    {&TForm1::Memo1, {8, 8, 897, 401}, {12, 12, 1346, 602}},
    {&TForm1::CloseButton, {696, 408, 771, 433}, {1044, 612, 1157, 650}},
    {&TForm1::RGB332_Req, {24, 416, 121, 433}, {36, 624, 182, 650}},
};

int ScreenDotsPerInch()
{
    const HDC screen = GetDC(nullptr);
    const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dotsPerInch;
}

// The dots per inch a run of this test is for: 96, or what the scaled run
// below asks its child for.
int ExpectedDotsPerInch()
{
    wchar_t value[8] = {};
    return GetEnvironmentVariableW(L"BMP2CDATA_TEST_DPI", value, 8) > 0 ? std::wcstol(value, nullptr, 10) : 96;
}

TEST_F(Window, StandsAtTheFormsNumbersScaledToTheScreenAndStaysPutWhenItGrows)
{
    const int dotsPerInch = ExpectedDotsPerInch();
    ASSERT_EQ(ScreenDotsPerInch(), dotsPerInch);
    const bool scaled = dotsPerInch == 144;
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, scaled ? 1361 : 907);
    EXPECT_EQ(client.bottom, scaled ? 683 : 455);
    // The output area's type is 10-point, its characters 13 pixels high at
    // 96; whatever font stands in must be fixed pitch, or the table's columns
    // do not line up (the flag is set for variable pitch).
    const HDC context = GetDC(form.Memo1);
    SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(form.Memo1, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(context, &metrics);
    ReleaseDC(form.Memo1, context);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, scaled ? 20 : 13);
    EXPECT_FALSE(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);
    SetWindowPos(form.Handle(), nullptr, 0, 0, 1500, 900, SWP_NOMOVE | SWP_NOZORDER);
    for (const auto& [control, at96, at144] : kFormControls) {
        const RECT bounds = BoundsInClient(form.*control);
        const RECT& expected = scaled ? at144 : at96;
        EXPECT_TRUE(EqualRect(&bounds, &expected))
            << bounds.left << ' ' << bounds.top << ' ' << bounds.right << ' ' << bounds.bottom;
    }
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The screen's dots per inch as Wine reads it when a program starts, set for
// as long as the object lives.
class ScreenSetting {
public:
    explicit ScreenSetting(DWORD dotsPerInch)
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_,
                        nullptr);
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dotsPerInch),
                       sizeof dotsPerInch);
    }
    ~ScreenSetting()
    {
        RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }
    ScreenSetting(const ScreenSetting&) = delete;
    ScreenSetting& operator=(const ScreenSetting&) = delete;

private:
    HKEY key_ = nullptr;
};

// Runs this test program once more with the given arguments; its exit status.
DWORD RunThisProgram(const std::wstring& arguments)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return ~DWORD{0};
    WaitForSingleObject(process.hProcess, 60000);
    DWORD status = ~DWORD{0};
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

TEST(ScaledForm, At144DotsPerInchTheWindowAndItsControlsAreOneAndAHalfTimesTheFormsNumbers)
{
    if (!UnderWine())
        GTEST_SKIP() << "Windows takes a new setting only at the next sign-in";
    DWORD status;
    {
        const ScreenSetting setting(144);
        SetEnvironmentVariableW(L"BMP2CDATA_TEST_DPI", L"144");
        status = RunThisProgram(L"--gtest_filter=Window.StandsAtTheFormsNumbersScaledToTheScreen*");
        SetEnvironmentVariableW(L"BMP2CDATA_TEST_DPI", nullptr);
    }
    EXPECT_EQ(status, 0u);
}

TEST_F(Window, TabWalksTheControlsInOrderAndEnterPressesOnlyTheFocusedButton)
{
    std::vector<HWND> visited;
    for (int step = 0; step < 4; ++step) {
        Key(VK_TAB);
        visited.push_back(GetFocus());
    }
    EXPECT_EQ(visited, (std::vector<HWND>{form.Memo1, form.CloseButton, form.RGB332_Req, form.ConvertButton}));
    for (HWND control : {form.Memo1, form.RGB332_Req}) {
        SetFocus(control);
        Key(VK_RETURN);
        Key(VK_ESCAPE);
    }
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_EQ(Output(), L"\r\n");  // Enter in the output area starts a line
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    SetFocus(form.ConvertButton);
    Key(VK_RETURN);
    EXPECT_EQ(chooserCalls, 1);
}

// A resource of the program beside this test program, loaded as data.
std::string ResourceOf(const wchar_t* program, LPCWSTR type, LPCWSTR name)
{
    wchar_t tests[MAX_PATH];
    GetModuleFileNameW(nullptr, tests, MAX_PATH);
    const auto path = std::filesystem::path(tests).replace_filename(program);
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return {};
    std::string data;
    if (const HRSRC found = FindResourceW(module, name, type))
        data.assign(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
    FreeLibrary(module);
    return data;
}

// The value a version resource gives for key, read as plain ASCII from its
// UTF-16 text, where the key's terminator and padding precede the value.
std::string VersionValue(const std::string& resource, const std::string& key)
{
    std::string text;
    for (std::size_t at = 0; at + 1 < resource.size(); at += 2)
        text += resource[at + 1] == 0 ? resource[at] : '?';
    const std::size_t found = text.find(key + '\0');
    if (found == std::string::npos)
        return {};
    const std::size_t value = text.find_first_not_of('\0', found + key.size());
    return text.substr(value, text.find('\0', value) - value);
}

TEST_F(Window, ProgramsCarryTheirIconManifestAndVersion)
{
    EXPECT_NE(SendMessageW(form.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(form.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    const std::string icons = ResourceOf(L"bmp2cdata-gui.exe", RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(icons.size(), 6u);
    EXPECT_EQ(icons[4], 13);  // after the reserved word and the type
    const std::string manifest = ResourceOf(L"bmp2cdata-gui.exe", RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_TRUE(IsProcessDPIAware());  // this program carries the same
    for (const wchar_t* program : {L"bmp2cdata-gui.exe", L"bmp2cdata.exe"})
        EXPECT_EQ(VersionValue(ResourceOf(program, RT_VERSION, MAKEINTRESOURCEW(1)), "ProductVersion"),
                  BMP2CDATA_VERSION);
}

TEST_F(Window, ConversionPutsExactlyTheTableOnTheClipboard)
{
    choices = {Image("logo.bmp", 4, 5)};
    Click(form.ConvertButton);
    EXPECT_EQ(Output(), kLogoOutput);
    EXPECT_EQ(ClipboardText(), kLogoTable);
    EXPECT_FALSE(form.Converting());
}

// Holds the clipboard open from a window of another thread, as a clipboard
// manager or a remote-desktop client does, until it is destroyed.
class ClipboardHolder {
public:
    ClipboardHolder()
        : holder_([this] {
              const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                                  nullptr, nullptr);
              const bool opened = OpenClipboard(window) != FALSE;
              opened_.set_value(opened);
              if (opened) {
                  released_.get_future().wait();
                  CloseClipboard();
              }
              DestroyWindow(window);
          }),
          holding_(opened_.get_future().get())
    {
    }
    ~ClipboardHolder()
    {
        released_.set_value();
        holder_.join();
    }

    // Whether the clipboard was had, and so is held.
    bool Holding() const { return holding_; }

private:
    std::promise<bool> opened_;
    std::promise<void> released_;
    std::thread holder_;
    bool holding_;
};

TEST_F(Window, ClipboardHeldByAnotherProgramLeavesTheTableSelectedInTheFocusedArea)
{
    choices = {Image("logo.bmp", 4, 5)};
    {
        const ClipboardHolder holder;
        ASSERT_TRUE(holder.Holding());
        Click(form.ConvertButton);
    }
    EXPECT_EQ(Output(), kLogoTable + L"\r\n" + WideFromUtf8(kCopyFailedMessage));
    DWORD start = 0, end = 0;
    SendMessageW(form.Memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(Output().substr(start, end - start), kLogoTable);
    EXPECT_EQ(GetFocus(), form.Memo1);
}

TEST_F(Window, CloseDuringARunStopsItAndEndsTheLoopAfterTheRun)
{
    choices = {Image("logo.bmp", 4, 5)};
    ClickAtPump(3, form.CloseButton);
    Click(form.ConvertButton);
    EXPECT_TRUE(StopConversion);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    application.ProcessMessages();
    EXPECT_FALSE(IsWindow(form.Memo1));
    ASSERT_TRUE(application.Terminated());  // the pump kept the quit request
    application.Run();  // and the loop honours it at once
}

TEST_F(Window, TickingTheOptionMidRunChangesPackingFromTheNextPixel)
{
    choices = {Image("red.bmp", 4, 1, {255, 0, 0})};
    ClickAtPump(3, form.RGB332_Req);
    Click(form.ConvertButton);
    EXPECT_NE(Output().find(L"' Image data in RGB332 format. Size = 4 Bytes"), std::wstring::npos);
    EXPECT_NE(Output().find(L"\r\n          $E0,$E0,$00,$00\r\n"), std::wstring::npos);
}

bool guardFired = false;

TEST_F(Window, QuitRequestedDuringARunEndsTheMainLoopOnceTheRunReturns)
{
    choices = {Image("logo.bmp", 4, 5)};
    application.AtPump(2, [] { PostQuitMessage(0); });
    // Were the request lost in the pump, the loop would wait for ever.
    const UINT_PTR guard = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) {
        guardFired = true;
        PostQuitMessage(1);
    });
    PostClick(form.ConvertButton);
    application.Run();
    KillTimer(nullptr, guard);
    EXPECT_FALSE(guardFired);
    EXPECT_EQ(Output(), kLogoOutput);
}

HDROP DropOf(const std::vector<std::wstring>& files)
{
    std::wstring names;
    for (const std::wstring& file : files)
        names += file + L'\0';
    names += L'\0';
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(Window, DroppedFileIsConvertedLikeAChosenOneWhateverItsName)
{
    const auto file = folder.Path() / L"\u0142\u00f3d\u017a.bmp";
    std::filesystem::rename(Image("logo.bmp", 4, 5), file);
    SetWindowTextW(form.Memo1, L"earlier");
    SendMessageW(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({file, file})), 0);
    application.ProcessMessages();
    EXPECT_EQ(Output(), WideFromUtf8(kDropOneFile));
    SetWindowTextW(form.Memo1, L"earlier");
    SendMessageW(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({file})), 0);
    EXPECT_EQ(Output(), L"earlier");  // not inside the drop
    application.ProcessMessages();
    std::wstring expected = kLogoOutput;
    expected.replace(expected.find(L"logo:-"), 4, L"\u0142\u00f3d\u017a");
    EXPECT_EQ(Output(), expected);
    EXPECT_EQ(chooserCalls, 0);
}

}  // namespace
