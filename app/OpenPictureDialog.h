#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QFileDialog;
class QLabel;

// Shows a picture as the LCD will show it: every pixel packed as RGB565 or
// RGB332 and unpacked again.
QImage PackedPreview(const QImage& picture, bool rgb332);

// Turns a filter of "description|pattern" pairs into Qt's name filters.
QStringList NameFiltersFrom(const QString& filter);

// The picture beside the dialog's file list: the selected image as the LCD
// will show it, its size, and what the converter will make of the file.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Shows the file at path (a folder or an unreadable file shows no picture).
    void ShowFile(const QString& path, bool rgb332);

    QString SizeText() const;
    QString VerdictText() const;
    const QImage& Picture() const { return picture_; }

private:
    QLabel* image_;
    QLabel* size_;
    QLabel* verdict_;
    QImage picture_;
};

// A modal file-open dialog for pictures, with a preview.
class TOpenPictureDialog {
public:
    // rgb332Selected tells, when the preview is drawn, which packing to show.
    TOpenPictureDialog(QWidget* owner, std::function<bool()> rgb332Selected);

    // Shows the dialog; true when the user chose a file.
    bool Execute();
    // The chosen file's full path.
    QString FileName() const { return fileName_; }

    // "description|pattern" pairs, as "*.bmp|*.bmp".
    QString Filter;

private:
    void CloseCompletionList();

    QWidget* owner_;
    std::function<bool()> rgb332Selected_;
    QPointer<QFileDialog> dialog_;
    QString fileName_;
};
