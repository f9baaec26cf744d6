#include "PicturePreview.h"

#include "BmpDecode.h"
#include "BmpFile.h"
#include "BmpHeader.h"
#include "PixelPacking.h"
#include "WideText.h"

#include <dlgs.h>

#include <algorithm>
#include <cstring>

namespace {

// The picture's frame, in pixels; small pictures are enlarged by whole
// factors to fill it, so that their pixels stay crisp.
constexpr int kPreviewSide = 160;

// The panel's layout in dialog units. The standard controls go where stc32
// stands; controls right of it move right of them, and the panel grows to
// hold both.
constexpr short kPanelWidth = 124;
constexpr short kPanelHeight = 170;
constexpr short kColumn = 12;
constexpr short kColumnWidth = 108;
constexpr WORD kStaticClass = 0x0082;

// Widens a packed channel back to 8 bits by repeating its top bits, so that
// white stays white.
std::uint32_t Widen(std::uint32_t value, int bits)
{
    std::uint32_t wide = value << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits)
        wide |= wide >> filled;
    return wide & 0xFF;
}

std::uint32_t AsDisplayed(std::uint16_t packed, bool rgb332)
{
    if (rgb332)
        return Widen(packed >> 5, 3) << 16 | Widen((packed >> 2) & 7, 3) << 8 | Widen(packed & 3, 2);
    return Widen(packed >> 11, 5) << 16 | Widen((packed >> 5) & 0x3F, 6) << 8 | Widen(packed & 0x1F, 5);
}

// The table lists the top row first, each row from right to left.
std::vector<std::uint32_t> PixelsOf(const BmpImage& image, bool rgb332)
{
    const std::vector<std::uint16_t> table = PackImage(image, rgb332);
    const std::size_t width = image.layout.width;
    std::vector<std::uint32_t> pixels(table.size());
    for (std::size_t slot = 0; slot < table.size(); ++slot)
        pixels[slot / width * width + (width - 1 - slot % width)] = AsDisplayed(table[slot], rgb332);
    return pixels;
}

std::wstring SizeOf(const BmpFileBytes& file)
{
    if (file.bytes.size() < kBmpHeaderBytes)
        return {};
    std::array<std::uint8_t, kBmpHeaderBytes> bytes{};
    std::copy_n(file.bytes.begin(), bytes.size(), bytes.begin());
    const BmpHeader header = ParseBmpHeader(bytes);
    return std::to_wstring(header.width) + L" \u00D7 " + std::to_wstring(header.height);
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The largest rectangle of the picture's proportions inside the frame,
// centred; whole-number enlargements only.
RECT FitPicture(const RECT& frame, int width, int height)
{
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    const int factor = std::min(frameWidth / width, frameHeight / height);
    const double scale = factor >= 1 ? factor : std::min(double(frameWidth) / width, double(frameHeight) / height);
    const int shownWidth = std::max(1, static_cast<int>(width * scale));
    const int shownHeight = std::max(1, static_cast<int>(height * scale));
    const int left = frame.left + (frameWidth - shownWidth) / 2;
    const int top = frame.top + (frameHeight - shownHeight) / 2;
    return {left, top, left + shownWidth, top + shownHeight};
}

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

PreviewContent PreviewOf(const std::wstring& path, bool rgb332)
{
    PreviewContent content;
    if (!IsFile(path))
        return content;
    const std::string file = Utf8FromWide(path);
    const std::optional<BmpFileBytes> contents = ReadBmpFile(file);
    if (!contents) {
        content.verdict = WideFromUtf8(kNotFoundComplaint + file);
        return content;
    }
    content.size = SizeOf(*contents);
    const DecodedBmp decoded = DecodeBmp(contents->bytes, contents->length);
    if (!decoded.Converts()) {
        content.verdict = WideFromUtf8(decoded.complaint);
        return content;
    }
    const PixelLayout& layout = decoded.image.layout;
    content.width = static_cast<int>(layout.width);
    content.height = static_cast<int>(layout.height);
    content.pixels = PixelsOf(decoded.image, rgb332);
    content.verdict = L"Converts to a table of " + std::to_wstring(layout.pixelCount) +
                      (rgb332 ? L" RGB332 bytes" : L" RGB565 words");
    return content;
}

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
    // dialog units.
    const HWND picture = GetDlgItem(panel_, kPictureId);
    SetWindowPos(picture, nullptr, 0, 0, kPreviewSide, kPreviewSide, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PicturePreview::ShowFile(const std::wstring& path)
{
    if (path == shownPath_)
        return;
    shownPath_ = path;
    content_ = PreviewOf(path, rgb332_);
    SetDlgItemTextW(panel_, kSizeId, content_.size.c_str());
    SetDlgItemTextW(panel_, kVerdictId, content_.verdict.c_str());
    InvalidateRect(GetDlgItem(panel_, kPictureId), nullptr, TRUE);
}

void PicturePreview::Draw(const DRAWITEMSTRUCT& item) const
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (content_.pixels.empty())
        return;
    const RECT shown = FitPicture(item.rcItem, content_.width, content_.height);
    BITMAPINFO bitmap{};
    bitmap.bmiHeader.biSize = sizeof bitmap.bmiHeader;
    bitmap.bmiHeader.biWidth = content_.width;
    bitmap.bmiHeader.biHeight = -content_.height;  // top row first
    bitmap.bmiHeader.biPlanes = 1;
    bitmap.bmiHeader.biBitCount = 32;
    bitmap.bmiHeader.biCompression = BI_RGB;
    const bool shrinking = shown.right - shown.left < content_.width;
    SetStretchBltMode(item.hDC, shrinking ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchDIBits(item.hDC, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, 0, 0,
                  content_.width, content_.height, content_.pixels.data(), &bitmap, DIB_RGB_COLORS, SRCCOPY);
}
