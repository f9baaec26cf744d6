#pragma once

#include "ConvertCommand.h"
#include "OpenPictureDialog.h"
#include "WindowHost.h"
#include "ui_UnitMain.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

// Where the window goes, frame included, on a screen whose free area is
// available: the form's own place where the window fits there, otherwise
// moved just enough to be wholly visible (to the top left when it is larger).
QPoint FormPosition(const QSize& frame, const QRect& available);

// The converter's window: the output area, Convert, Close, the RGB332 option
// and the file-open dialog. Its controls come from the form.
class TForm1 : public QWidget, public Ui::TForm1 {
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
    void SetFileChooser(WindowHost::FileChooser chooser);
    // Whether a conversion is running (possibly several, nested).
    bool Converting() const { return runs_.Active(); }

protected:
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::optional<std::string> ShowOpenPictureDialog();
    // Runs the Convert button's work, or converts a dropped file.
    void Convert(const std::optional<std::string>& droppedFile);

    std::unique_ptr<WindowHost> host_;
    RunNesting runs_;
    // Whether the window has been placed with its real frame.
    bool framed_ = false;
};
