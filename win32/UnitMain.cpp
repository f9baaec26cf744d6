#include "UnitMain.h"

#include "Clipboard.h"
#include "Resources.h"
#include "ScreenScale.h"
#include "WideText.h"
#include "WindowGeometry.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

using namespace bmp2cdata;

namespace win32 {

namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr wchar_t kCaption[] = L"Tavrel 24-bit BMP to Cdata Converter";

struct Bounds {
    int left, top, width, height;
};

// The size of the window's client area, in pixels at 96 dots per inch (915
// by 482 outside with the frame the form was drawn with); no control moves
// or grows with the window.
constexpr SIZE kFormClient{907, 455};
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// Runs the calls waiting for control to be back in the message loop.
constexpr UINT kCallLater = WM_APP + 1;

// Control identifiers stay clear of IDOK and IDCANCEL, which Enter and
// Escape send when no control takes them: neither button is a default or a
// cancel button.
enum ControlId : int { kConvertId = 101, kMemoId, kCloseId, kRgb332Id };

struct ControlLayout {
    HWND TForm1::*member;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    DWORD extendedStyle;
    Bounds bounds;
    ControlId id;
};

// The controls in tab order: Windows tabs through a window's children in the
// order they were created.
const ControlLayout kControls[] = {
    {&TForm1::ConvertButton, WC_BUTTONW, L"Convert", BS_PUSHBUTTON | WS_TABSTOP, 0, {792, 408, 75, 25}, kConvertId},
    {&TForm1::Memo1, WC_EDITW, L"",
     ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, {8, 8, 889, 393}, kMemoId},
    {&TForm1::CloseButton, WC_BUTTONW, L"Close", BS_PUSHBUTTON | WS_TABSTOP, 0, {696, 408, 75, 25}, kCloseId},
    {&TForm1::RGB332_Req, WC_BUTTONW, L"RGB332", BS_AUTOCHECKBOX | WS_TABSTOP, 0, {24, 416, 97, 17}, kRgb332Id},
};

// Character heights in pixels at 96 dots per inch: 8-point and 10-point type.
constexpr int kControlFontHeight = -11;
constexpr int kMemoFontHeight = -13;

// MS Sans Serif is a bitmap font drawn for 96 dots per inch, with no bold of
// other sizes; on a scaled screen its outline successor, which Windows
// itself puts in its place, keeps the type bold and of the scaled size.
const wchar_t* ControlFontFace(int dotsPerInch)
{
    return dotsPerInch == kFormDotsPerInch ? L"MS Sans Serif" : L"Microsoft Sans Serif";
}

// The largest table is about 520,000 characters, and nested runs can leave
// more than one table in the output area, so it takes as much text as a
// multi-line edit control can hold rather than the default 32,767.
constexpr WPARAM kOutputTextLimit = 0x7FFFFFFE;

// Asks DragQueryFileW for the number of files instead of one of them.
constexpr UINT kFileCount = 0xFFFFFFFF;

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)), L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size() + 1));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

WNDPROC originalMemoProcedure = nullptr;

// The output area keeps Enter for new lines but leaves Tab and Escape to the
// window's keyboard navigation: a multi-line edit control would otherwise
// type Tab as a character, and close its parent window on Escape.
LRESULT CALLBACK MemoProcedure(HWND memo, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcW(originalMemoProcedure, memo, message, wParam, lParam);
    if (message == WM_GETDLGCODE && lParam != 0) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE))
            result &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    }
    return result;
}

HICON LoadProgramIcon(HINSTANCE instance, int sizeMetric)
{
    const int side = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(BMP2CDATA_ICON), IMAGE_ICON, side, side, LR_SHARED));
}

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = procedure;
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.hIcon = LoadProgramIcon(instance, SM_CXICON);
    form.hIconSm = LoadProgramIcon(instance, SM_CXSMICON);
    form.lpszClassName = kClassName;
    if (RegisterClassExW(&form) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        ThrowLastError("RegisterClassExW");
}

HFONT MakeFont(const wchar_t* face, int height, int weight, BYTE charset, BYTE pitchAndFamily)
{
    const HFONT font = CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily, face);
    if (font == nullptr)
        ThrowLastError("CreateFontW");
    return font;
}

}  // namespace

TForm1::TForm1(TApplication& application)
    : OpenPictureDialog1(
          application, [this] { return handle_; }, [this] { return Rgb332Ticked(); }),
      application_(application),
      dotsPerInch_(ScreenDotsPerInch()),
      controlFont_(MakeFont(ControlFontFace(dotsPerInch_), -Scaled(-kControlFontHeight), FW_BOLD, DEFAULT_CHARSET,
                            DEFAULT_PITCH | FF_SWISS)),
      memoFont_(MakeFont(L"Courier New", -Scaled(-kMemoFontHeight), FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN)),
      model_(*this, "\r\n")
{
    const HINSTANCE instance = application_.Instance();
    RegisterFormClass(instance, WindowProcedure);
    CreateForm();
    // A window whose form failed to build would call into a form that does
    // not exist.
    try {
        CreateControls();
        AddHints();
    } catch (...) {
        DestroyWindow(handle_);
        throw;
    }
    SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadProgramIcon(instance, SM_CXICON)));
    SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadProgramIcon(instance, SM_CXSMICON)));
    DragAcceptFiles(handle_, TRUE);
    OpenPictureDialog1.Filter = L"*.bmp|*.bmp";
    FormCreate();
}

TForm1::~TForm1()
{
    application_.SetHintWindow(nullptr);
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

int TForm1::Scaled(int pixels) const
{
    return ScaledTo(dotsPerInch_, pixels);
}

void TForm1::CreateForm()
{
    // The client area is scaled, and the frame is the screen's own, as form
    // frameworks scale a form; the window is moved where needed to be
    // wholly visible.
    RECT outer{0, 0, Scaled(kFormClient.cx), Scaled(kFormClient.cy)};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, 0);
    RECT free{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &free, 0);
    const ScreenRect placed = PlaceForm(outer.right - outer.left, outer.bottom - outer.top,
                                        {free.left, free.top, free.right - free.left, free.bottom - free.top});
    if (CreateWindowExW(0, kClassName, kCaption, kFormStyle, placed.left, placed.top, placed.width, placed.height,
                        nullptr, nullptr, application_.Instance(), this) == nullptr)
        ThrowLastError("CreateWindowExW");
}

void TForm1::CreateControls()
{
    for (const ControlLayout& layout : kControls) {
        // Each edge is scaled, so that controls that meet still meet.
        const Bounds& form = layout.bounds;
        const int left = Scaled(form.left);
        const int top = Scaled(form.top);
        const HWND control = CreateWindowExW(
            layout.extendedStyle, layout.className, layout.caption, WS_CHILD | WS_VISIBLE | layout.style, left, top,
            Scaled(form.left + form.width) - left, Scaled(form.top + form.height) - top, handle_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), application_.Instance(), nullptr);
        if (control == nullptr)
            ThrowLastError("CreateWindowExW");
        this->*layout.member = control;
        const HFONT font = control == Memo1 ? memoFont_.get() : controlFont_.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendMessageW(Memo1, EM_SETLIMITTEXT, kOutputTextLimit, 0);
    originalMemoProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Memo1, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MemoProcedure)));
}

void TForm1::AddHints()
{
    hints_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr, application_.Instance(),
                             nullptr);
    if (hints_ == nullptr)
        ThrowLastError("CreateWindowExW");
    const std::pair<HWND, const wchar_t*> hints[] = {
        {ConvertButton, L"Load and convert a 24-bit BMP file"},
        {RGB332_Req, L"Convert data to 8-bit RGB332 format"},
    };
    for (const auto& [control, text] : hints) {
        // The size of the oldest form of the structure, which every version
        // of the common controls accepts.
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = handle_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(text);
        SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    application_.SetHintWindow(hints_);
}

void TForm1::FormCreate() {}

void TForm1::ConvertButtonClick()
{
    model_.ConvertButtonClick();
}

void TForm1::CloseButtonClick()
{
    model_.CloseButtonClick();
}

void TForm1::Close()
{
    SendMessageW(handle_, WM_CLOSE, 0, 0);
}

void TForm1::Show()
{
    ShowWindow(handle_, SW_SHOWNORMAL);
    UpdateWindow(handle_);
    SetFocus(ConvertButton);
}

void TForm1::SetFileChooser(ConverterWindow::FileChooser chooser)
{
    model_.SetFileChooser(std::move(chooser));
}

LRESULT CALLBACK TForm1::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->handle_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->application_.Guard([&] { return form->HandleMessage(message, wParam, lParam); });
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case kCallLater: {
        if (later_.empty())
            return 0;
        const std::function<void()> call = std::move(later_.front());
        later_.pop_front();
        call();
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            lastFocus_ = GetFocus();
        break;
    case WM_SETFOCUS:
        // The focus returns to the control that had it, as in a dialog box.
        SetFocus(lastFocus_ != nullptr && IsChild(handle_, lastFocus_) ? lastFocus_ : ConvertButton);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void TForm1::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return;
    auto control = reinterpret_cast<HWND>(lParam);
    // Enter presses the button that has the focus, and no other.
    if (LOWORD(wParam) == IDOK)
        control = GetFocus();
    if (control == ConvertButton)
        ConvertButtonClick();
    else if (control == CloseButton)
        CloseButtonClick();
}

void TForm1::OnClose()
{
    if (!model_.CloseRequested())
        return;
    DestroyWindow(handle_);
    // Closing the main window ends the program.
    application_.Terminate();
}

void TForm1::OnDropFiles(HDROP drop)
{
    std::vector<std::string> files(DragQueryFileW(drop, kFileCount, nullptr, 0));
    for (UINT index = 0; index < files.size(); ++index) {
        std::wstring path(DragQueryFileW(drop, index, nullptr, 0), L'\0');
        DragQueryFileW(drop, index, path.data(), static_cast<UINT>(path.size() + 1));
        files[index] = Utf8FromWide(path);
    }
    DragFinish(drop);
    model_.FilesDropped(std::move(files));
}

void TForm1::AppendOutput(const std::string& text)
{
    // Appending at the end moves the caret there and scrolls the new lines
    // into view, as adding lines to a memo does.
    const int end = GetWindowTextLengthW(Memo1);
    SendMessageW(Memo1, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(Memo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WideFromUtf8(text).c_str()));
}

bool TForm1::OutputEmpty()
{
    return GetWindowTextLengthW(Memo1) == 0;
}

std::string TForm1::OutputText()
{
    return Utf8FromWide(WindowText(Memo1));
}

void TForm1::EmptyOutput()
{
    SetWindowTextW(Memo1, L"");
}

void TForm1::SelectLeadingOutput(const std::string& text)
{
    // The area takes the focus, so that Ctrl+C reaches it and the selection
    // shows: an edit control hides its selection while it lacks the focus.
    SetFocus(Memo1);
    const auto end = static_cast<LPARAM>(WideFromUtf8(text).size());
    SendMessageW(Memo1, EM_SETSEL, 0, end);
    SendMessageW(Memo1, EM_SCROLLCARET, 0, 0);
}

bool TForm1::PlaceOnClipboard(const std::string& text)
{
    return PutOnClipboard(handle_, WideFromUtf8(text));
}

void TForm1::ProcessEvents()
{
    application_.ProcessMessages();
}

bool TForm1::Rgb332Ticked()
{
    return SendMessageW(RGB332_Req, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::optional<std::string> TForm1::ShowOpenDialog()
{
    if (!OpenPictureDialog1.Execute())
        return std::nullopt;
    return Utf8FromWide(OpenPictureDialog1.FileName());
}

void TForm1::CallLater(std::function<void()> call)
{
    later_.push_back(std::move(call));
    PostMessageW(handle_, kCallLater, 0, 0);
}

void TForm1::CloseWindow()
{
    Close();
}

}  // namespace win32
