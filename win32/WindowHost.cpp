#include "WindowHost.h"

#include "TApplication.h"
#include "WideText.h"

#include <cstring>
#include <thread>

namespace {

// How long lines may wait before they are shown: one frame at 60 Hz.
constexpr std::chrono::milliseconds kFrame{16};
// How many lines may wait at most, so that showing them fits in a frame.
constexpr std::size_t kMostPendingLines = 2048;
// Another program may hold the clipboard open for a moment; it is asked for
// this many times, this long apart, before the copy fails.
constexpr int kClipboardAttempts = 20;
constexpr std::chrono::milliseconds kClipboardRetryDelay{10};

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)), L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size() + 1));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void OpenClipboardOrThrow(HWND window)
{
    for (int attempt = 1; !OpenClipboard(window); ++attempt) {
        if (attempt == kClipboardAttempts)
            ThrowLastError("OpenClipboard");
        std::this_thread::sleep_for(kClipboardRetryDelay);
    }
}

}  // namespace

WindowHost::WindowHost(TApplication& application, HWND output, HWND rgb332Option, FileChooser chooser)
    : application_(application), output_(output), rgb332Option_(rgb332Option), chooser_(std::move(chooser))
{
}

void WindowHost::AddLine(const std::string& line)
{
    if (pendingLines_ > 0)
        pending_ += L"\r\n";
    pending_ += WideFromUtf8(line);
    ++pendingLines_;
}

void WindowHost::ShowPendingLines()
{
    if (pendingLines_ == 0) {
        shownAt_ = Clock::now();
        return;
    }
    const int end = GetWindowTextLengthW(output_);
    if (end > 0 || outputHasLines_)
        pending_.insert(0, L"\r\n");
    // Appending at the end moves the caret there and scrolls the new lines
    // into view, as adding lines to a memo does.
    SendMessageW(output_, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(output_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(pending_.c_str()));
    pending_.clear();
    pendingLines_ = 0;
    outputHasLines_ = true;
    // The next frame counts from the end of this showing: under Wine one
    // costs more than a frame, and lines would go out one by one.
    shownAt_ = Clock::now();
}

void WindowHost::ClearOutput()
{
    pending_.clear();
    pendingLines_ = 0;
    SetWindowTextW(output_, L"");
    outputHasLines_ = false;
}

void WindowHost::CopyAllToClipboard()
{
    ShowPendingLines();
    // Every line on the clipboard ends with a line break, so that a paste
    // leaves the cursor on a fresh line, as the command-line host's output.
    std::wstring text = WindowText(output_);
    if (!text.empty() || outputHasLines_)
        text += L"\r\n";
    PutOnClipboard(GetParent(output_), text);
}

void WindowHost::PumpEvents()
{
    if (pendingLines_ >= kMostPendingLines || (pendingLines_ > 0 && Clock::now() - shownAt_ >= kFrame))
        ShowPendingLines();
    application_.ProcessMessages();
}

bool WindowHost::Rgb332Selected()
{
    return SendMessageW(rgb332Option_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::optional<std::string> WindowHost::ChooseFile()
{
    return chooser_ ? chooser_() : std::nullopt;
}

void PutOnClipboard(HWND window, const std::wstring& text)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr)
        ThrowLastError("GlobalAlloc");
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    try {
        OpenClipboardOrThrow(window);
    } catch (...) {
        GlobalFree(memory);
        throw;
    }
    EmptyClipboard();
    // The clipboard owns the memory from here on, unless it refused it.
    if (SetClipboardData(CF_UNICODETEXT, memory) != nullptr) {
        CloseClipboard();
        return;
    }
    const DWORD error = GetLastError();
    GlobalFree(memory);
    CloseClipboard();
    SetLastError(error);
    ThrowLastError("SetClipboardData");
}
