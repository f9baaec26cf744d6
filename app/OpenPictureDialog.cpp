#include "OpenPictureDialog.h"

#include "BmpDecode.h"
#include "BmpFile.h"
#include "PixelPacking.h"
#include "TApplication.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QCompleter>
#include <QAbstractItemView>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Room for the preview picture beside the file list.
constexpr int kPreviewSide = 160;
constexpr QSize kDialogSize{860, 440};

// Widens a packed channel back to 8 bits by repeating its top bits.
int Widen(int value, int bits)
{
    int wide = value << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits)
        wide |= wide >> filled;
    return wide & 0xFF;
}

QRgb AsDisplayed(QRgb colour, bool rgb332)
{
    const auto red = static_cast<std::uint8_t>(qRed(colour));
    const auto green = static_cast<std::uint8_t>(qGreen(colour));
    const auto blue = static_cast<std::uint8_t>(qBlue(colour));
    if (rgb332) {
        const int packed = PackRGB332(red, green, blue);
        return qRgb(Widen(packed >> 5, 3), Widen((packed >> 2) & 7, 3), Widen(packed & 3, 2));
    }
    const int packed = PackRGB565(red, green, blue);
    return qRgb(Widen(packed >> 11, 5), Widen((packed >> 5) & 0x3F, 6), Widen(packed & 0x1F, 5));
}

// Small pictures are enlarged by whole factors so that their pixels stay
// crisp; large ones are shrunk smoothly.
QImage FitToPreview(const QImage& picture)
{
    const int factor = std::min(kPreviewSide / picture.width(), kPreviewSide / picture.height());
    if (factor >= 1)
        return picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return picture.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString VerdictFor(const QString& path, const QImage& picture, bool rgb332)
{
    const std::string file = path.toLocal8Bit().toStdString();
    const std::optional<BmpFileBytes> contents = ReadBmpFile(file);
    if (!contents)
        return QString::fromLocal8Bit(kNotFoundComplaint + file);
    if (const DecodedBmp decoded = DecodeBmp(contents->bytes, contents->length); !decoded.Converts())
        return QString::fromLocal8Bit(decoded.complaint);
    const qsizetype count = qsizetype{picture.width()} * picture.height();
    return rgb332 ? QObject::tr("Converts to a table of %1 RGB332 bytes").arg(count)
                  : QObject::tr("Converts to a table of %1 RGB565 words").arg(count);
}

}  // namespace

QImage PackedPreview(const QImage& picture, bool rgb332)
{
    QImage shown = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < shown.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            line[x] = AsDisplayed(line[x], rgb332);
    }
    return shown;
}

QStringList NameFiltersFrom(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        names << parts[i] + QStringLiteral(" (") + parts[i + 1].split(QLatin1Char(';')).join(QLatin1Char(' ')) +
                     QLatin1Char(')');
    return names;
}

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent), image_(new QLabel), size_(new QLabel), verdict_(new QLabel)
{
    image_->setFixedSize(kPreviewSide, kPreviewSide);
    image_->setAlignment(Qt::AlignCenter);
    image_->setFrameShape(QFrame::StyledPanel);
    verdict_->setWordWrap(true);
    verdict_->setFixedWidth(kPreviewSide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(image_);
    layout->addWidget(size_);
    layout->addWidget(verdict_);
    layout->addStretch();
}

void PicturePreview::ShowFile(const QString& path, bool rgb332)
{
    picture_ = QImage();
    image_->clear();
    size_->clear();
    verdict_->clear();
    if (!QFileInfo(path).isFile())
        return;
    QImageReader reader(path);
    const QImage loaded = reader.read();
    if (!loaded.isNull()) {
        picture_ = PackedPreview(loaded, rgb332);
        image_->setPixmap(QPixmap::fromImage(FitToPreview(picture_)));
        size_->setText(QStringLiteral("%1 × %2").arg(loaded.width()).arg(loaded.height()));
    }
    verdict_->setText(VerdictFor(path, loaded, rgb332));
}

QString PicturePreview::SizeText() const
{
    return size_->text();
}

QString PicturePreview::VerdictText() const
{
    return verdict_->text();
}

void TOpenPictureDialog::CloseCompletionList()
{
    // Enter in the name field reaches the field before the completer, so the
    // dialog closes with the completer's list still open; that list stays
    // Qt's active popup, and the next click anywhere, taken as a click
    // outside it, would only close it.
    if (auto* name = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); name && name->completer())
        name->completer()->popup()->hide();
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner, std::function<bool()> rgb332Selected)
    : owner_(owner), rgb332Selected_(std::move(rgb332Selected))
{
}

bool TOpenPictureDialog::Execute()
{
    if (!dialog_) {
        dialog_ = new QFileDialog(owner_);
        dialog_->setFileMode(QFileDialog::ExistingFile);
        dialog_->setAcceptMode(QFileDialog::AcceptOpen);
        // Qt's own dialog, since a native one has no room for the preview.
        dialog_->setOption(QFileDialog::DontUseNativeDialog);
        dialog_->resize(kDialogSize);
        auto* preview = new PicturePreview(dialog_);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog_->layout()))
            grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
        QObject::connect(dialog_, &QFileDialog::currentChanged, preview,
                         [this, preview](const QString& path) {
                             CallHandler([&] { preview->ShowFile(path, rgb332Selected_()); });
                         });
    }
    dialog_->setNameFilters(NameFiltersFrom(Filter));
    const int result = dialog_->exec();
    CloseCompletionList();
    RethrowHandlerFailure();
    if (result != QDialog::Accepted || dialog_->selectedFiles().isEmpty())
        return false;
    fileName_ = QFileInfo(dialog_->selectedFiles().constFirst()).absoluteFilePath();
    return true;
}
