#pragma once

// An application object that acts as a user inside a running conversion: an
// action runs at the start of the n-th event pump from now, so a click it
// posts is dispatched by that very pump.

#include "Clipboard.h"
#include "TApplication.h"

#include <functional>
#include <map>
#include <string>

class ScriptedApplication : public win32::TApplication {
public:
    ScriptedApplication() : win32::TApplication(GetModuleHandleW(nullptr)) { Initialize(); }

    void AtPump(int pump, std::function<void()> action) { actions_.emplace(pumps_ + pump, std::move(action)); }

    void ProcessMessages() override
    {
        ++pumps_;
        for (auto [at, end] = actions_.equal_range(pumps_); at != end; ++at)
            at->second();
        TApplication::ProcessMessages();
    }

private:
    int pumps_ = 0;
    std::multimap<int, std::function<void()>> actions_;
};

inline std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"(clipboard busy)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Text with Windows line breaks, as the window and the clipboard hold it.
inline std::wstring Crlf(const std::string& text)
{
    std::wstring wide;
    for (char c : text)
        wide += c == '\n' ? std::wstring(L"\r\n") : std::wstring(1, static_cast<wchar_t>(c));
    return wide;
}
