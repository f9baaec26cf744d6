#pragma once

#include "ConverterWindow.h"
#include "OpenPictureDialog.h"
#include "ui_UnitMain.h"

#include <QWidget>

#include <optional>
#include <string>

namespace app {

// The converter's window: the output area, Convert, Close, the RGB332 option
// and the file-open dialog. Its controls come from the form; what they do is
// decided by the window model, bmp2cdata::ConverterWindow, which this class carries
// out on Qt's widgets.
class TForm1 : public QWidget, public Ui::TForm1, private bmp2cdata::WindowControls {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    TOpenPictureDialog OpenPictureDialog1;

    // The window's creation event; nothing to do.
    void FormCreate();
    // Empties the output area, asks for a file and converts it.
    void ConvertButtonClick();
    // Stops a running conversion and closes the window once no run is left.
    void CloseButtonClick();

    // Replaces the dialog by another chooser, for example one for tests.
    void SetFileChooser(bmp2cdata::ConverterWindow::FileChooser chooser);
    // Whether a conversion is running (possibly several, nested).
    bool Converting() const { return model_.Converting(); }

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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

    // Places the window on its screen, its frame as large as frame.
    void Place(const QSize& frame);

    bmp2cdata::ConverterWindow model_;
    // Whether the window has been placed with its real frame.
    bool framed_ = false;
};

}  // namespace app
