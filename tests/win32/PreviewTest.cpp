// The file dialog's preview panel, built from its template, shows the
// picture's size and the converter's verdict.

#include "OpenPictureDialog.h"
#include "WideText.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

using namespace bmp2cdata;

namespace {

using win32::PicturePreview;
using win32::PreviewPanelTemplate;

TEST(PreviewPanel, PanelBuiltFromItsTemplateShowsTheFilesSizeAndVerdict)
{
    ScratchFolder folder;
    const std::wstring image = WideFromUtf8(folder.Write("logo.bmp", {.width = 4, .height = 5}));
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
    const HWND panel = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), static_cast<const DLGTEMPLATE*>(PreviewPanelTemplate()), owner,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(panel, nullptr);
    PicturePreview preview(panel, true);
    preview.ShowFile(image);
    wchar_t text[100];
    GetDlgItemTextW(panel, PicturePreview::kSizeId, text, 100);
    EXPECT_STREQ(text, L"4 \u00D7 5");
    GetDlgItemTextW(panel, PicturePreview::kVerdictId, text, 100);
    EXPECT_STREQ(text, L"Converts to a table of 20 RGB332 bytes");
    EXPECT_NE(GetDlgItem(panel, PicturePreview::kPictureId), nullptr);
    DestroyWindow(owner);
}

}  // namespace
