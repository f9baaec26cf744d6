// The file dialog's filter and its preview of the picture as the LCD shows it.

#include "BmpHeader.h"
#include "OpenPictureDialog.h"
#include "WideText.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(Preview, FilterBecomesTheDialogsListOfStrings)
{
    EXPECT_EQ(FilterForDialog(L"*.bmp|*.bmp"), std::wstring(L"*.bmp\0*.bmp\0\0", 13));
}

TEST(Preview, ShowsThePictureAsTheLcdWillWithItsSizeAndTheConvertersVerdict)
{
    ScratchFolder folder;
    // The top-left pixel is stored in the file's second row.
    const std::wstring image = WideFromUtf8(folder.Write("logo.bmp", {.width = 4, .height = 2, .colour = [](int column, int row) {
        return column == 0 && row == 1 ? Rgb{13, 200, 77} : Rgb{255, 255, 255};
    }}));
    const PreviewContent words = PreviewOf(image, false);
    EXPECT_EQ(words.size, L"4 \u00D7 2");
    EXPECT_EQ(words.verdict, L"Converts to a table of 8 RGB565 words");
    ASSERT_EQ(words.pixels.size(), 8u);
    // RGB565 keeps 5, 6 and 5 bits, RGB332 3, 3 and 2; both widen them back
    // by repeating the top bits, so white stays white.
    EXPECT_EQ(words.pixels[0], 0x08CB4Au);
    EXPECT_EQ(words.pixels[7], 0xFFFFFFu);
    const PreviewContent bytes = PreviewOf(image, true);
    EXPECT_EQ(bytes.verdict, L"Converts to a table of 8 RGB332 bytes");
    EXPECT_EQ(bytes.pixels[0], 0x00DB55u);

    const PreviewContent large = PreviewOf(WideFromUtf8(folder.Write("large.bmp", {.width = 320, .height = 240})), false);
    EXPECT_EQ(large.size, L"320 \u00D7 240");
    EXPECT_EQ(Utf8FromWide(large.verdict), kTooLargeComplaint);
    EXPECT_TRUE(large.pixels.empty());
    const PreviewContent broken = PreviewOf(WideFromUtf8(folder.WriteBytes("broken.bmp", {'B', 'M', 0, 0})), false);
    EXPECT_TRUE(broken.size.empty());
    EXPECT_EQ(Utf8FromWide(broken.verdict), kBitCountComplaint);
    EXPECT_TRUE(PreviewOf(folder.Path().wstring(), false).verdict.empty());
}

TEST(Preview, PanelBuiltFromItsTemplateShowsTheFilesSizeAndVerdict)
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
