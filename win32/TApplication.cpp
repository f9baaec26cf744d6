#include "TApplication.h"

#include "WideText.h"

#include <commctrl.h>

#include <stdexcept>

using namespace bmp2cdata;

namespace win32 {

namespace {

bool IsKeyboardMessage(const MSG& message)
{
    return message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
}

bool IsMouseMessage(const MSG& message)
{
    return message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
}

void ShowMessageBox(const std::wstring& title, const std::wstring& message)
{
    MessageBoxW(nullptr, message.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace

TApplication::TApplication(HINSTANCE instance) : instance_(instance), display_(ShowMessageBox) {}

void TApplication::Initialize()
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

void TApplication::Run()
{
    MSG message{};
    while (!terminated_ && !failure_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            terminated_ = true;
        else
            Dispatch(message);
    }
    RethrowHandlerFailure();
}

void TApplication::ProcessMessages()
{
    MSG message{};
    while (!failure_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        // The quit request is taken off the queue here, so it is kept
        // until the main loop can honour it.
        if (message.message == WM_QUIT)
            terminated_ = true;
        else
            Dispatch(message);
    }
    RethrowHandlerFailure();
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

void TApplication::HandlerFailed(std::exception_ptr failure)
{
    if (!failure_)
        failure_ = std::move(failure);
}

void TApplication::RethrowHandlerFailure() const
{
    if (failure_)
        std::rethrow_exception(failure_);
}

void TApplication::ShowException(const std::wstring& text)
{
    display_(title_, text);
}

void TApplication::Dispatch(MSG& message)
{
    // Handing the hints the mouse messages here spares the controls the
    // tooltip's subclassing, which under Wine makes every message sent to
    // them, such as the option read for each pixel, a round trip to the
    // Wine server.
    if (hints_ != nullptr && IsMouseMessage(message))
        SendMessageW(hints_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
    // Tab, Shift+Tab and the arrow keys move between the window's controls
    // as in a dialog box.
    if (IsKeyboardMessage(message)) {
        const HWND window = GetAncestor(message.hwnd, GA_ROOT);
        if (window != nullptr && IsDialogMessageW(window, &message))
            return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void ThrowLastError(const char* call)
{
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = text != nullptr ? text : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.'))
        reason.pop_back();
    throw std::runtime_error(std::string(call) + " failed: " + Utf8FromWide(reason));
}

}  // namespace win32
