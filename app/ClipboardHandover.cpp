#include "ClipboardHandover.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

namespace app {

namespace {

// How long the closing window waits for the keeper to own the clipboard:
// a few round trips to the display server take milliseconds; a keeper that
// has not managed within two seconds is not going to.
constexpr int kHandoverMilliseconds = 2000;

// How long the closing window waits to learn from the display server that
// the keeper owns the clipboard: the event is already on its way.
constexpr int kLetGoMilliseconds = 500;

// Runs program with input on its standard input until it has taken the
// clipboard and ended, as long as that takes reasonably long; whether it
// ended saying it had.
bool PipeTo(const QString& program, const QByteArray& input)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {});
    if (!process.waitForStarted(kHandoverMilliseconds))
        return false;
    process.write(input);
    process.closeWriteChannel();
    if (process.waitForFinished(kHandoverMilliseconds))
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    process.kill();
    return false;
}

// Lets Qt learn that the keeper has taken the clipboard. A Qt that still
// takes itself for the owner as it ends hands the text to a clipboard
// manager, and waits five seconds for one that does not answer.
void LetGo(const QClipboard* clipboard)
{
    const QDeadlineTimer deadline(kLetGoMilliseconds);
    while (clipboard->ownsClipboard() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
}

}  // namespace

void KeepClipboardAfterExit()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard())
        return;
    const QString platform = QGuiApplication::platformName();
    const QByteArray text = clipboard->text().toUtf8();
    if (platform == QStringLiteral("xcb")) {
        // The byte count comes first, so that a keeper whose text was cut
        // short (this program killed while writing) knows it and serves nothing.
        if (PipeTo(QCoreApplication::applicationDirPath() + QStringLiteral("/bmp2cdata-clipboard"),
                   QByteArray::number(text.size()) + '\n' + text))
            LetGo(clipboard);
    } else if (platform.startsWith(QStringLiteral("wayland"))) {
        // Without a data-control protocol only a client with a focused
        // surface may set the selection; wl-copy knows how to serve it.
        const QString copier = QStandardPaths::findExecutable(QStringLiteral("wl-copy"));
        if (!copier.isEmpty())
            PipeTo(copier, text);
    }
}

}  // namespace app
