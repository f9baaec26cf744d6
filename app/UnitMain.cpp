#include "UnitMain.h"

#include "ConvertCommand.h"
#include "ConverterHost.h"
#include "TApplication.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// Where the window first appears on the desktop, frame included.
constexpr QPoint kFormPosition{530, 304};
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

// The one local file a drag carries, if it carries exactly one.
std::optional<QString> DraggedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return std::nullopt;
    return data->urls().first().toLocalFile();
}

}  // namespace

QPoint FormPosition(const QSize& frame, const QRect& available)
{
    const auto fit = [](int position, int size, int start, int end) {
        return std::max(start, std::min(position, end - size));
    };
    return {fit(kFormPosition.x(), frame.width(), available.left(), available.right() + 1),
            fit(kFormPosition.y(), frame.height(), available.top(), available.bottom() + 1)};
}

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), OpenPictureDialog1(this, [this] { return RGB332_Req->isChecked(); })
{
    InstallFontFallbacks();
    setupUi(this);
    if (const QScreen* desktop = screen())
        move(FormPosition(size().grownBy(kFormFrame), desktop->availableGeometry()));
    // Whatever family stands in for the output area's font must be fixed
    // pitch, or the table's columns do not line up. Plain ASCII in a fixed
    // pitch font needs no text shaping; skipping it makes repaints during a
    // run markedly cheaper.
    QFont fixed = Memo1->font();
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setStyleStrategy(QFont::PreferNoShaping);
    Memo1->setFont(fixed);
    OpenPictureDialog1.Filter = QStringLiteral("*.bmp|*.bmp");
    host_ = std::make_unique<WindowHost>(*Memo1, *RGB332_Req, [this] { return ShowOpenPictureDialog(); });
    connect(ConvertButton, &QPushButton::clicked, this, Handler(this, &TForm1::ConvertButtonClick));
    connect(CloseButton, &QPushButton::clicked, this, Handler(this, &TForm1::CloseButtonClick));
    FormCreate();
}

void TForm1::FormCreate() {}

void TForm1::ConvertButtonClick()
{
    Convert(std::nullopt);
}

void TForm1::CloseButtonClick()
{
    StopConversion = true;
    close();
}

void TForm1::SetFileChooser(WindowHost::FileChooser chooser)
{
    host_->SetFileChooser(std::move(chooser));
}

std::optional<std::string> TForm1::ShowOpenPictureDialog()
{
    if (!OpenPictureDialog1.Execute())
        return std::nullopt;
    return OpenPictureDialog1.FileName().toLocal8Bit().toStdString();
}

void TForm1::Convert(const std::optional<std::string>& droppedFile)
{
    const bool closeAskedFor = runs_.Run([&] {
        RunConvertCommand(*host_, droppedFile);
        host_->ShowPendingLines();
    });
    // A close asked for during the run takes effect once the last run is
    // over, when control is about to return to the message loop.
    if (closeAskedFor)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Placed before the window manager framed the window, it was placed with
    // a guessed frame; once the real frame is known, it is placed once more.
    if (framed_ || windowHandle() == nullptr || windowHandle()->frameMargins().isNull() || screen() == nullptr)
        return;
    framed_ = true;
    const QPoint position = FormPosition(frameGeometry().size(), screen()->availableGeometry());
    if (position != pos())
        move(position);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The window stays on screen while a run is in progress; the close box
    // does not stop the run, the Close button has already asked it to stop.
    if (runs_.MayClose())
        event->accept();
    else
        event->ignore();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (DraggedFile(event->mimeData()))
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const std::optional<QString> file = DraggedFile(event->mimeData());
    if (!file)
        return;
    event->acceptProposedAction();
    // Converting inside the drop would keep the dragging program waiting.
    const std::string path = file->toLocal8Bit().toStdString();
    QTimer::singleShot(0, this, [this, path] { CallHandler([this, &path] { Convert(path); }); });
}
