#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Places text on the clipboard as Unicode text, owned by window; false when
// the clipboard could not be had, as while another program holds it open.
bool PutOnClipboard(HWND window, const std::wstring& text);

}  // namespace win32
