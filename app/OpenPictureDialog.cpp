#include "OpenPictureDialog.h"

#include "PreviewContent.h"
#include "TApplication.h"
#include "WindowGeometry.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QAbstractItemView>
#include <QCompleter>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QPixmap>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

using namespace bmp2cdata;

namespace app {

namespace {

// Room for the places list, the detail list with its size, type and date in
// full, and the preview.
constexpr QSize kDialogSize{1120, 560};
// What a window frame and a desktop's panels may take from the screen.
constexpr QSize kFrameAllowance{16, 48};
// Space a list column needs around its text: cell margins and the sort arrow.
constexpr int kColumnPadding = 32;

// Enlarged pictures keep their pixels crisp; shrunk ones are smoothed.
QImage FitToPreview(const QImage& picture)
{
    const ScreenRect shown = FitPicture(picture.width(), picture.height(), {0, 0, kPreviewSide, kPreviewSide});
    const bool shrunk = shown.width < picture.width();
    return picture.scaled(shown.width, shown.height, Qt::IgnoreAspectRatio,
                          shrunk ? Qt::SmoothTransformation : Qt::FastTransformation);
}

QLineEdit* NameField(const QFileDialog& dialog)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// The full path of what the user typed in the name field.
QString NamedPath(const QFileDialog& dialog, QString typed)
{
    if (typed.isEmpty())
        return {};
    if (typed.startsWith(QStringLiteral("~/")))
        typed.replace(0, 1, QDir::homePath());
    return QDir::isAbsolutePath(typed) ? QDir::cleanPath(typed) : dialog.directory().absoluteFilePath(typed);
}

// The room the owner's screen offers, less a margin for the frame.
QSize AvailableSize(const QWidget* owner)
{
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableSize() - kFrameAllowance : kDialogSize;
}

// A filter of "description|pattern" pairs as its pairs, each pattern split
// at its semicolons; a description without a pattern is dropped.
std::vector<std::pair<QString, QStringList>> FilterPairs(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    std::vector<std::pair<QString, QStringList>> pairs;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1].split(QLatin1Char(';')));
    return pairs;
}

// The patterns of a filter of "description|pattern" pairs.
QStringList PatternsOf(const QString& filter)
{
    QStringList all;
    for (const auto& [description, patterns] : FilterPairs(filter))
        all << patterns;
    return all;
}

// Widens the detail list's size, type and date columns so that their
// entries read in full rather than cut short: the type of a folder, or of
// any file the filter lets through.
void WidenDetailColumns(QFileDialog& dialog, const QStringList& patterns)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr)
        return;
    const QFontMetrics metrics(view->font());
    QStringList types{QStringLiteral("Folder")};
    for (QString pattern : patterns)
        types << QMimeDatabase().mimeTypeForFile(pattern.replace(QLatin1Char('*'), QLatin1Char('x')),
                                                 QMimeDatabase::MatchExtension).comment();
    int typeWidth = 0;
    for (const QString& type : types)
        typeWidth = std::max(typeWidth, metrics.horizontalAdvance(type));
    const QDateTime late(QDate(2000, 12, 28), QTime(23, 59, 59));
    const int widths[] = {metrics.horizontalAdvance(QStringLiteral("1023.9 KiB")), typeWidth,
                          metrics.horizontalAdvance(QLocale::system().toString(late, QLocale::ShortFormat))};
    QHeaderView* header = view->header();
    for (int column = 1; column <= 3; ++column)
        header->resizeSection(column, std::max(header->sectionSizeHint(column), widths[column - 1] + kColumnPadding));
}

}  // namespace

QStringList NameFiltersFrom(const QString& filter)
{
    QStringList names;
    for (const auto& [description, patterns] : FilterPairs(filter))
        names << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
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
    path_ = path;
    // The same reading and decoding as a run, so that the preview never
    // disagrees with the conversion and never reads more than it would.
    const PreviewContent content = PreviewOfFile(QFile::encodeName(path).toStdString(), rgb332);
    picture_ = QImage();
    image_->clear();
    if (!content.pixels.empty()) {
        picture_ = QImage(content.width, content.height, QImage::Format_RGB32);
        for (int y = 0; y < content.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
            for (int x = 0; x < content.width; ++x)
                line[x] = 0xFF000000u | content.pixels[std::size_t(y) * std::size_t(content.width) + std::size_t(x)];
        }
        image_->setPixmap(QPixmap::fromImage(FitToPreview(picture_)));
    }
    size_->setText(QString::fromStdString(content.size));
    verdict_->setText(QString::fromStdString(content.verdict));
}

QString PicturePreview::SizeText() const
{
    return size_->text();
}

QString PicturePreview::VerdictText() const
{
    return verdict_->text();
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner, std::function<bool()> rgb332Selected)
    : owner_(owner), rgb332Selected_(std::move(rgb332Selected))
{
}

bool TOpenPictureDialog::Execute()
{
    QFileDialog& dialog = Prepare();
    const int result = dialog.exec();
    CloseCompletionList();
    RethrowHandlerFailure();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName_ = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    return true;
}

QFileDialog& TOpenPictureDialog::Prepare()
{
    if (!dialog_)
        Create();
    dialog_->setNameFilters(NameFiltersFrom(Filter));
    // Once for each filter, so that columns the user resized stay as they
    // were left.
    if (widenedFor_ != Filter) {
        WidenDetailColumns(*dialog_, PatternsOf(Filter));
        widenedFor_ = Filter;
    }
    // The option may have changed since the dialog was last open.
    preview_->ShowFile(preview_->Path(), rgb332Selected_());
    return *dialog_;
}

void TOpenPictureDialog::Create()
{
    dialog_ = new QFileDialog(owner_);
    widenedFor_.reset();
    dialog_->setFileMode(QFileDialog::ExistingFile);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog, since a native one has no room for the preview.
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->resize(kDialogSize.boundedTo(AvailableSize(owner_)));
    preview_ = new PicturePreview(dialog_);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog_->layout()))
        grid->addWidget(preview_, 0, grid->columnCount(), grid->rowCount(), 1);
    // The preview follows the list's current file and what the name field
    // names, whichever changed last.
    QObject::connect(dialog_, &QFileDialog::currentChanged, preview_, [this](const QString& path) {
        CallHandler([&] { preview_->ShowFile(path, rgb332Selected_()); });
    });
    if (QLineEdit* name = NameField(*dialog_))
        QObject::connect(name, &QLineEdit::textEdited, preview_, [this](const QString& typed) {
            CallHandler([&] { preview_->ShowFile(NamedPath(*dialog_, typed), rgb332Selected_()); });
        });
}

void TOpenPictureDialog::CloseCompletionList()
{
    // Enter in the name field reaches the field before the completer, so the
    // dialog closes with the completer's list still open; that list stays
    // Qt's active popup, and the next click anywhere, taken as a click
    // outside it, would only close it.
    if (QLineEdit* name = NameField(*dialog_); name && name->completer())
        name->completer()->popup()->hide();
}

}  // namespace app
