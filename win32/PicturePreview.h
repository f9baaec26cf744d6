#pragma once

#include "PreviewContent.h"

#include <windows.h>

#include <string>

namespace win32 {

// The in-memory template of the preview panel that the file dialog places
// beside its own controls (for OFN_ENABLETEMPLATEHANDLE). Lives as long as
// the program.
HGLOBAL PreviewPanelTemplate();

// The preview panel, a child dialog made from PreviewPanelTemplate: shows the
// file it is given and draws the picture when its owner-drawn frame asks.
class PicturePreview {
public:
    PicturePreview(HWND panel, bool rgb332);

    // Shows the file at path, unless it is already shown.
    void ShowFile(const std::wstring& path);
    // Draws the picture into the panel's owner-drawn frame.
    void Draw(const DRAWITEMSTRUCT& item) const;

    // The panel's controls.
    static constexpr int kPictureId = 1101;
    static constexpr int kSizeId = 1102;
    static constexpr int kVerdictId = 1103;

private:
    HWND panel_;
    bool rgb332_;
    std::wstring shownPath_;
    bmp2cdata::PreviewContent content_;
};

}  // namespace win32
