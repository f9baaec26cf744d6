#include "PicturePreview.h"

#include "ScreenScale.h"
#include "WideText.h"
#include "WindowGeometry.h"

#include <dlgs.h>

#include <cstring>
#include <vector>

using namespace bmp2cdata;

namespace win32 {

namespace {

// The panel's layout in dialog units. The standard controls go where stc32
// stands; controls right of it move right of them, and the panel grows to
// hold both.
constexpr short kPanelWidth = 124;
constexpr short kPanelHeight = 170;
constexpr short kColumn = 12;
constexpr short kColumnWidth = 108;
constexpr WORD kStaticClass = 0x0082;

// Writes a DLGTEMPLATE and its items, each item starting on a DWORD.
class TemplateWriter {
public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value)
    {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(const wchar_t* text)
    {
        do
            Word(static_cast<WORD>(*text));
        while (*text++ != L'\0');
    }
    void Align()
    {
        if (words_.size() % 2 != 0)
            Word(0);
    }
    void Static(int id, DWORD style, short left, short top, short width, short height)
    {
        Align();
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        for (const short value : {left, top, width, height})
            Word(static_cast<WORD>(value));
        Word(static_cast<WORD>(id));
        Word(0xFFFF);
        Word(kStaticClass);
        Text(L"");
        Word(0);  // no creation data
    }
    const std::vector<WORD>& Words() const { return words_; }

private:
    std::vector<WORD> words_;
};

std::vector<WORD> BuildPanelTemplate()
{
    TemplateWriter panel;
    panel.Dword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_CONTROL | DS_3DLOOK | DS_SETFONT);
    panel.Dword(0);
    panel.Word(4);  // items
    for (const short value : {short{0}, short{0}, kPanelWidth, kPanelHeight})
        panel.Word(static_cast<WORD>(value));
    panel.Word(0);  // no menu
    panel.Word(0);  // the dialog class
    panel.Text(L"");
    panel.Word(8);
    panel.Text(L"MS Shell Dlg");
    panel.Static(stc32, 0, 0, 0, 4, kPanelHeight);
    panel.Static(PicturePreview::kPictureId, SS_OWNERDRAW, kColumn, 6, kColumnWidth, kColumnWidth);
    panel.Static(PicturePreview::kSizeId, SS_LEFT, kColumn, 118, kColumnWidth, 10);
    panel.Static(PicturePreview::kVerdictId, SS_LEFT, kColumn, 130, kColumnWidth, 36);
    return panel.Words();
}

}  // namespace

HGLOBAL PreviewPanelTemplate()
{
    // Fixed memory: its handle is its address, whichever of the two the
    // dialog takes the handle for.
    static const HGLOBAL memory = [] {
        const std::vector<WORD> words = BuildPanelTemplate();
        const HGLOBAL block = GlobalAlloc(GMEM_FIXED, words.size() * sizeof(WORD));
        if (block != nullptr)
            std::memcpy(block, words.data(), words.size() * sizeof(WORD));
        return block;
    }();
    return memory;
}

PicturePreview::PicturePreview(HWND panel, bool rgb332) : panel_(panel), rgb332_(rgb332)
{
    // The frame is square in pixels whatever the dialog font makes of its
    // dialog units, and as large on the screen at any dots per inch.
    const int side = ScaledTo(ScreenDotsPerInch(), kPreviewSide);
    SetWindowPos(GetDlgItem(panel_, kPictureId), nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PicturePreview::ShowFile(const std::wstring& path)
{
    if (path == shownPath_)
        return;
    shownPath_ = path;
    content_ = PreviewOfFile(Utf8FromWide(path), rgb332_);
    SetDlgItemTextW(panel_, kSizeId, WideFromUtf8(content_.size).c_str());
    SetDlgItemTextW(panel_, kVerdictId, WideFromUtf8(content_.verdict).c_str());
    InvalidateRect(GetDlgItem(panel_, kPictureId), nullptr, TRUE);
}

void PicturePreview::Draw(const DRAWITEMSTRUCT& item) const
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (content_.pixels.empty())
        return;
    const RECT& frame = item.rcItem;
    const ScreenRect shown = FitPicture(content_.width, content_.height,
                                        {frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top});
    BITMAPINFO bitmap{};
    bitmap.bmiHeader.biSize = sizeof bitmap.bmiHeader;
    bitmap.bmiHeader.biWidth = content_.width;
    bitmap.bmiHeader.biHeight = -content_.height;  // top row first
    bitmap.bmiHeader.biPlanes = 1;
    bitmap.bmiHeader.biBitCount = 32;
    bitmap.bmiHeader.biCompression = BI_RGB;
    const bool shrinking = shown.width < content_.width;
    SetStretchBltMode(item.hDC, shrinking ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchDIBits(item.hDC, shown.left, shown.top, shown.width, shown.height, 0, 0,
                  content_.width, content_.height, content_.pixels.data(), &bitmap, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace win32
