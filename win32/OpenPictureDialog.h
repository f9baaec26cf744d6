#pragma once

#include "PicturePreview.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace win32 {

class TApplication;

// Turns a filter of "description|pattern" pairs into the dialog's list of
// null-terminated strings, ended by an empty one.
std::wstring FilterForDialog(const std::wstring& filter);

// The system's modal file-open dialog, with a preview of the selected
// picture beside its list.
class TOpenPictureDialog {
public:
    // owner gives the window the dialog belongs to; rgb332Selected tells,
    // when the dialog opens, which packing the preview shows.
    TOpenPictureDialog(TApplication& application, std::function<HWND()> owner, std::function<bool()> rgb332Selected);

    // Shows the dialog; true when the user chose a file.
    bool Execute();
    // The chosen file's full path.
    const std::wstring& FileName() const { return fileName_; }

    // "description|pattern" pairs, as "*.bmp|*.bmp".
    std::wstring Filter;

private:
    static UINT_PTR CALLBACK HookProcedure(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    UINT_PTR HandleHookMessage(HWND hook, UINT message, LPARAM lParam);
    void WatchNameField(HWND hook);
    void ShowSelectedFile(HWND hook);

    TApplication& application_;
    std::function<HWND()> owner_;
    std::function<bool()> rgb332Selected_;
    bool rgb332_ = false;
    std::unique_ptr<PicturePreview> preview_;
    std::wstring fileName_;
};

}  // namespace win32
