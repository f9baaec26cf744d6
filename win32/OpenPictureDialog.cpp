#include "OpenPictureDialog.h"

#include "TApplication.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <stdexcept>

namespace win32 {

namespace {

// Room for the longest path Windows allows.
constexpr DWORD kLongestPath = 32768;

// Asks the preview to show what the dialog now names.
constexpr UINT kRefreshPreview = WM_APP + 2;

// Where the dialog keeps the preview panel and its own window procedure.
constexpr wchar_t kPanelProperty[] = L"bmp2cdata.panel";
constexpr wchar_t kProcedureProperty[] = L"bmp2cdata.procedure";

std::wstring DialogText(HWND dialog, UINT message)
{
    std::wstring text(kLongestPath, L'\0');
    if (SendMessageW(dialog, message, kLongestPath, reinterpret_cast<LPARAM>(text.data())) <= 0)
        return {};
    return text.c_str();
}

bool IsAbsolute(const std::wstring& path)
{
    return path.starts_with(L"\\\\") || (path.size() > 2 && path[1] == L':' && path[2] == L'\\');
}

// The file the dialog names now: the selected one, or the name being typed,
// which may be a whole path of its own.
std::wstring NamedFile(HWND dialog)
{
    const std::wstring name = DialogText(dialog, CDM_GETSPEC);
    // Nothing, or several quoted names: no one picture to show.
    if (name.empty() || name.find(L'"') != std::wstring::npos)
        return {};
    if (IsAbsolute(name))
        return name;
    std::wstring folder = DialogText(dialog, CDM_GETFOLDERPATH);
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + name;
}

}  // namespace

std::wstring FilterForDialog(const std::wstring& filter)
{
    std::wstring list = filter;
    std::replace(list.begin(), list.end(), L'|', L'\0');
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

TOpenPictureDialog::TOpenPictureDialog(TApplication& application, std::function<HWND()> owner,
                                       std::function<bool()> rgb332Selected)
    : application_(application), owner_(std::move(owner)), rgb332Selected_(std::move(rgb332Selected))
{
}

bool TOpenPictureDialog::Execute()
{
    const std::wstring filter = FilterForDialog(Filter);
    std::wstring name(kLongestPath, L'\0');
    rgb332_ = rgb332Selected_();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_();
    dialog.hInstance = reinterpret_cast<HINSTANCE>(PreviewPanelTemplate());
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = kLongestPath;
    dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE | OFN_ENABLESIZING | OFN_HIDEREADONLY;
    dialog.lpfnHook = HookProcedure;
    dialog.lCustData = reinterpret_cast<LPARAM>(this);
    const BOOL chosen = GetOpenFileNameW(&dialog);
    preview_.reset();
    application_.RethrowHandlerFailure();
    if (!chosen) {
        if (const DWORD error = CommDlgExtendedError(); error != 0)
            throw std::runtime_error("The file dialog failed with error " + std::to_string(error));
        return false;
    }
    fileName_ = name.c_str();
    return true;
}

UINT_PTR CALLBACK TOpenPictureDialog::HookProcedure(HWND hook, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(hook, DWLP_USER, reinterpret_cast<const OPENFILENAMEW*>(lParam)->lCustData);
    auto* dialog = reinterpret_cast<TOpenPictureDialog*>(GetWindowLongPtrW(hook, DWLP_USER));
    if (dialog == nullptr)
        return 0;
    const LRESULT handled = dialog->application_.Guard(
        [&] { return static_cast<LRESULT>(dialog->HandleHookMessage(hook, message, lParam)); }, -1);
    if (handled != -1)
        return static_cast<UINT_PTR>(handled);
    // A failed handler ends the program: the dialog closes first.
    PostMessageW(GetParent(hook), WM_COMMAND, IDCANCEL, 0);
    return 0;
}

UINT_PTR TOpenPictureDialog::HandleHookMessage(HWND hook, UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        preview_ = std::make_unique<PicturePreview>(hook, rgb332_);
        WatchNameField(hook);
        return FALSE;  // the focus stays in the dialog's name field
    case WM_NOTIFY: {
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        if (code == CDN_SELCHANGE || code == CDN_FOLDERCHANGE || code == CDN_INITDONE)
            ShowSelectedFile(hook);
        return 0;
    }
    case kRefreshPreview:
        ShowSelectedFile(hook);
        return TRUE;
    case WM_DRAWITEM:
        if (preview_)
            preview_->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DESTROY: {
        const HWND dialog = GetParent(hook);
        SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropW(dialog, kProcedureProperty)));
        RemovePropW(dialog, kProcedureProperty);
        RemovePropW(dialog, kPanelProperty);
        return 0;
    }
    default:
        return 0;
    }
}

// The name field belongs to the dialog, not to the panel, so its changes are
// caught in the dialog's own window procedure.
void TOpenPictureDialog::WatchNameField(HWND hook)
{
    const HWND dialog = GetParent(hook);
    SetPropW(dialog, kPanelProperty, hook);
    SetPropW(dialog, kProcedureProperty,
             reinterpret_cast<HANDLE>(SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogProcedure))));
}

LRESULT CALLBACK TOpenPictureDialog::DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool nameChanged = message == WM_COMMAND && ((LOWORD(wParam) == cmb13 && HIWORD(wParam) == CBN_EDITCHANGE) ||
                                                       (LOWORD(wParam) == edt1 && HIWORD(wParam) == EN_CHANGE));
    if (nameChanged)
        PostMessageW(static_cast<HWND>(GetPropW(dialog, kPanelProperty)), kRefreshPreview, 0, 0);
    const auto procedure = reinterpret_cast<WNDPROC>(GetPropW(dialog, kProcedureProperty));
    return CallWindowProcW(procedure, dialog, message, wParam, lParam);
}

void TOpenPictureDialog::ShowSelectedFile(HWND hook)
{
    if (preview_)
        preview_->ShowFile(NamedFile(GetParent(hook)));
}

}  // namespace win32
