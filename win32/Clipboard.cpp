#include "Clipboard.h"

#include <cstring>

namespace win32 {

namespace {

// Movable memory holding text with its terminating null, as the clipboard
// takes it; null when it could not be had.
HGLOBAL GlobalCopyOf(const std::wstring& text)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr)
        return nullptr;
    void* const locked = GlobalLock(memory);
    if (locked == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(memory);
    return memory;
}

}  // namespace

bool PutOnClipboard(HWND window, const std::wstring& text)
{
    // The text is copied only once the clipboard is had, so that waiting
    // out a busy clipboard copies nothing; and before it is emptied, so that
    // a failed copy leaves what was on it.
    if (!OpenClipboard(window))
        return false;
    const HGLOBAL memory = GlobalCopyOf(text);
    bool placed = false;
    if (memory != nullptr) {
        EmptyClipboard();
        // The clipboard owns the memory from here on, unless it refused it.
        placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!placed)
            GlobalFree(memory);
    }
    CloseClipboard();
    return placed;
}

}  // namespace win32
