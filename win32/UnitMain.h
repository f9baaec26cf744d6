#pragma once

#include "ConverterWindow.h"
#include "OpenPictureDialog.h"
#include "TApplication.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace win32 {

// The converter's window: the output area, Convert, Close, the RGB332 option
// and the file-open dialog, on Windows' own controls. What they do is
// decided by the window model, bmp2cdata::ConverterWindow, which this class carries
// out. The form's numbers are scaled by the screen's dots per inch over 96.
class TForm1 : private bmp2cdata::WindowControls {
public:
    // Creates the window, hidden, with its controls.
    explicit TForm1(TApplication& application);
    ~TForm1() override;
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
    void SetFileChooser(bmp2cdata::ConverterWindow::FileChooser chooser);
    // Whether a conversion is running (possibly several, nested).
    bool Converting() const { return model_.Converting(); }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateForm();
    void CreateControls();
    void AddHints();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnClose();
    void OnDropFiles(HDROP drop);
    // A number of the form, in pixels at 96 dots per inch, on this screen.
    int Scaled(int pixels) const;

    void AppendOutput(const std::string& text) override;
    bool OutputEmpty() override;
    std::string OutputText() override;
    void EmptyOutput() override;
    void SelectLeadingOutput(const std::string& text) override;
    bool PlaceOnClipboard(const std::string& text) override;
    void ProcessEvents() override;
    bool Rgb332Ticked() override;
    std::optional<std::string> ShowOpenDialog() override;
    void CallLater(std::function<void()> call) override;
    void CloseWindow() override;

    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

    TApplication& application_;
    // The screen's dots per inch, which the form's numbers are scaled to.
    int dotsPerInch_;
    HWND handle_ = nullptr;
    HWND hints_ = nullptr;
    // The control that had the focus when the window was last deactivated.
    HWND lastFocus_ = nullptr;
    Font controlFont_;
    Font memoFont_;
    bmp2cdata::ConverterWindow model_;
    // Calls waiting for control to be back in the message loop.
    std::deque<std::function<void()>> later_;
};

}  // namespace win32
