#pragma once

#include "ConvertCommand.h"
#include "OpenPictureDialog.h"
#include "TApplication.h"
#include "WindowHost.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>

// The converter's window: the output area, Convert, Close, the RGB332 option
// and the file-open dialog, on Windows' own controls.
class TForm1 {
public:
    // Creates the window, hidden, with its controls.
    explicit TForm1(TApplication& application);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Handle() const { return handle_; }
    HWND ConvertButton = nullptr;
    HWND Memo1 = nullptr;
    HWND CloseButton = nullptr;
    HWND RGB332_Req = nullptr;
    TOpenPictureDialog OpenPictureDialog1;

    // The window's creation event; nothing to do.
    void FormCreate();
    // Empties the output area, asks for a file and converts it.
    void ConvertButtonClick();
    // Stops a running conversion and closes the window once no run is left.
    void CloseButtonClick();
    // Asks the window to close, as its close box does.
    void Close();
    // Shows the window and puts the focus on its first control.
    void Show();

    // Replaces the dialog by another chooser, for example one for tests.
    void SetFileChooser(WindowHost::FileChooser chooser);
    // Whether a conversion is running (possibly several, nested).
    bool Converting() const { return runs_.Active(); }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void AddHints();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnClose();
    void OnDropFiles(HDROP drop);
    std::optional<std::string> ShowOpenPictureDialog();
    // Runs the Convert button's work, or converts a dropped file.
    void Convert(const std::optional<std::string>& droppedFile);

    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

    TApplication& application_;
    HWND handle_ = nullptr;
    HWND hints_ = nullptr;
    // The control that had the focus when the window was last deactivated.
    HWND lastFocus_ = nullptr;
    Font controlFont_;
    Font memoFont_;
    std::unique_ptr<WindowHost> host_;
    RunNesting runs_;
    // Files dropped on the window, waiting for their conversion to start.
    std::deque<std::string> droppedFiles_;
};
