#include "UnitMain.h"

#include "TApplication.h"
#include "WindowGeometry.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <vector>

using namespace bmp2cdata;

namespace app {

namespace {

// The frame around the window's client area, as the form declares it (915 by
// 482 outside, 907 by 455 inside); the real frame is known only once the
// window manager has framed the window.
constexpr QMargins kFormFrame{4, 23, 4, 4};

// The form's fonts come from another platform; where they are missing,
// fonts of the same kind stand in.
void InstallFontFallbacks()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                                QStringLiteral("Nimbus Mono PS"), QStringLiteral("Monospace")});
}

// The local files a drag carries, as the file system spells their paths,
// which need not be UTF-8; nothing when it carries anything else.
std::vector<std::string> DraggedFiles(const QMimeData* data)
{
    std::vector<std::string> files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        // A name that is not UTF-8 stays percent-encoded in the URL's path.
        const QString encoded = url.path(QUrl::FullyEncoded);
        files.push_back(QByteArray::fromPercentEncoding(encoded.toLatin1()).toStdString());
    }
    return files;
}

bool IsEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), OpenPictureDialog1(this, [this] { return Rgb332Ticked(); }), model_(*this, "\n")
{
    InstallFontFallbacks();
    setupUi(this);
    Place(size().grownBy(kFormFrame));
    // Whatever family stands in for the output area's font must be fixed
    // pitch, or the table's columns do not line up. Plain ASCII in a fixed
    // pitch font needs no text shaping; skipping it makes repaints during a
    // run markedly cheaper.
    QFont fixed = Memo1->font();
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setStyleStrategy(QFont::PreferNoShaping);
    Memo1->setFont(fixed);
    OpenPictureDialog1.Filter = QStringLiteral("*.bmp|*.bmp");
    connect(ConvertButton, &QPushButton::clicked, this, Handler(this, &TForm1::ConvertButtonClick));
    connect(CloseButton, &QPushButton::clicked, this, Handler(this, &TForm1::CloseButtonClick));
    // Enter presses the focused button, as on Windows and in GTK programs.
    ConvertButton->installEventFilter(this);
    CloseButton->installEventFilter(this);
    FormCreate();
}

void TForm1::FormCreate() {}

void TForm1::ConvertButtonClick()
{
    model_.ConvertButtonClick();
}

void TForm1::CloseButtonClick()
{
    model_.CloseButtonClick();
}

void TForm1::SetFileChooser(ConverterWindow::FileChooser chooser)
{
    model_.SetFileChooser(std::move(chooser));
}

void TForm1::Place(const QSize& frame)
{
    const QScreen* desktop = screen();
    if (desktop == nullptr)
        return;
    const QRect free = desktop->availableGeometry();
    const ScreenRect placed =
        PlaceForm(frame.width(), frame.height(), {free.left(), free.top(), free.width(), free.height()});
    if (QPoint(placed.left, placed.top) != pos())
        move(placed.left, placed.top);
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The focused button shows its focus mark from the start, as the
    // keyboard can press it from the start.
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Placed before the window manager framed the window, it was placed with
    // a guessed frame; once the real frame is known, it is placed once more.
    if (framed_ || windowHandle() == nullptr || windowHandle()->frameMargins().isNull())
        return;
    framed_ = true;
    Place(frameGeometry().size());
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (model_.CloseRequested())
        event->accept();
    else
        event->ignore();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DraggedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    std::vector<std::string> files = DraggedFiles(event->mimeData());
    if (files.empty())
        return;
    event->acceptProposedAction();
    model_.FilesDropped(std::move(files));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button == nullptr || !IsEnter(event))
        return QWidget::eventFilter(watched, event);
    button->click();
    return true;
}

void TForm1::AppendOutput(const std::string& text)
{
    QScrollBar* scroll = Memo1->verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    // Inserting at the end through a cursor of our own is cheaper than
    // appending a paragraph, and leaves the user's cursor where it was.
    QTextCursor end(Memo1->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromStdString(text));
    if (following)
        scroll->setValue(scroll->maximum());
}

bool TForm1::OutputEmpty()
{
    return Memo1->document()->isEmpty();
}

std::string TForm1::OutputText()
{
    return Memo1->toPlainText().toStdString();
}

void TForm1::EmptyOutput()
{
    Memo1->clear();
}

void TForm1::SelectLeadingOutput(const std::string& text)
{
    QTextCursor selection(Memo1->document());
    const int end = Memo1->document()->characterCount() - 1;
    selection.setPosition(std::min(int(QString::fromStdString(text).size()), end), QTextCursor::KeepAnchor);
    Memo1->setTextCursor(selection);
    Memo1->setFocus(Qt::OtherFocusReason);
}

bool TForm1::PlaceOnClipboard(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    return true;
}

void TForm1::ProcessEvents()
{
    QCoreApplication::processEvents();
    // A handler that failed inside the pump ends the run too, as if its
    // exception had unwound through it.
    RethrowHandlerFailure();
}

bool TForm1::Rgb332Ticked()
{
    return RGB332_Req->isChecked();
}

std::optional<std::string> TForm1::ShowOpenDialog()
{
    if (!OpenPictureDialog1.Execute())
        return std::nullopt;
    return QFile::encodeName(OpenPictureDialog1.FileName()).toStdString();
}

void TForm1::CallLater(std::function<void()> call)
{
    QTimer::singleShot(0, this, [call = std::move(call)] { CallHandler(call); });
}

void TForm1::CloseWindow()
{
    close();
}

}  // namespace app
