#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QFileDialog;
class QLabel;

namespace app {

// Turns a filter of "description|pattern" pairs into Qt's name filters.
QStringList NameFiltersFrom(const QString& filter);

// The picture beside the dialog's file list: the selected image as the LCD
// will show it, its size, and what the converter will make of the file.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Shows the file at path as the converter sees it: the picture, size and
    // value count of a file it converts, or else its complaint; a folder or
    // a path to nothing shows nothing.
    void ShowFile(const QString& path, bool rgb332);
    // The path last shown.
    QString Path() const { return path_; }

    QString SizeText() const;
    QString VerdictText() const;
    const QImage& Picture() const { return picture_; }

private:
    QLabel* image_;
    QLabel* size_;
    QLabel* verdict_;
    QImage picture_;
    QString path_;
};

// A modal file-open dialog for pictures, with a preview.
class TOpenPictureDialog {
public:
    // rgb332Selected tells, when the preview is drawn, which packing to show.
    TOpenPictureDialog(QWidget* owner, std::function<bool()> rgb332Selected);

    // Shows the dialog; true when the user chose a file.
    bool Execute();
    // Readies the dialog without showing it: the filter, and the preview
    // drawn anew for the option as it is now.
    QFileDialog& Prepare();
    // The chosen file's full path.
    QString FileName() const { return fileName_; }

    // "description|pattern" pairs, as "*.bmp|*.bmp".
    QString Filter;

private:
    void Create();
    void CloseCompletionList();

    QWidget* owner_;
    std::function<bool()> rgb332Selected_;
    QPointer<QFileDialog> dialog_;
    QPointer<PicturePreview> preview_;
    // The filter the detail list's columns were last widened for.
    std::optional<QString> widenedFor_;
    QString fileName_;
};

}  // namespace app
