#include "WindowHost.h"

#include "TApplication.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// How long lines may wait before they are shown: one frame at 60 Hz.
constexpr qint64 kFrameMilliseconds = 16;
// How many lines may wait at most: showing them must itself fit well in a
// frame (2048 table lines take about 4 ms to insert and repaint), while each
// showing has a cost of its own, so fewer and larger batches are cheaper.
constexpr qsizetype kMostPendingLines = 2048;

}  // namespace

WindowHost::WindowHost(QPlainTextEdit& output, QCheckBox& rgb332Option, FileChooser chooser)
    : output_(output), rgb332Option_(rgb332Option), chooser_(std::move(chooser))
{
    sinceShown_.start();
}

void WindowHost::AddLine(const std::string& line)
{
    pending_.append(QString::fromLocal8Bit(line));
}

void WindowHost::ShowPendingLines()
{
    sinceShown_.restart();
    if (pending_.isEmpty())
        return;
    QString text = pending_.join(QLatin1Char('\n'));
    pending_.clear();
    // An area holding one empty line looks empty; only a truly empty one
    // takes the first line without a line break before it.
    if (!output_.document()->isEmpty() || outputHasLines_)
        text.prepend(QLatin1Char('\n'));
    QScrollBar* scroll = output_.verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    // Inserting at the end through a cursor of our own is cheaper than
    // appending a paragraph, and leaves the user's cursor where it was.
    QTextCursor end(output_.document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (following)
        scroll->setValue(scroll->maximum());
    outputHasLines_ = true;
    unpainted_ = true;
}

void WindowHost::ClearOutput()
{
    pending_.clear();
    output_.clear();
    outputHasLines_ = false;
}

void WindowHost::CopyAllToClipboard()
{
    ShowPendingLines();
    // Every line on the clipboard ends with a line break, so that a paste
    // leaves the cursor on a fresh line, as the command-line host's output.
    QString text = output_.toPlainText();
    if (!text.isEmpty() || outputHasLines_)
        text += QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(text);
}

void WindowHost::PumpEvents()
{
    // Lines added since a showing that has not been painted yet join its
    // repaint at no extra cost.
    if (pending_.size() >= kMostPendingLines ||
        (!pending_.isEmpty() && (unpainted_ || sinceShown_.hasExpired(kFrameMilliseconds))))
        ShowPendingLines();
    QCoreApplication::processEvents();
    unpainted_ = false;
    // A handler that failed inside the pump ends the run too, as if its
    // exception had unwound through it.
    RethrowHandlerFailure();
}

bool WindowHost::Rgb332Selected()
{
    return rgb332Option_.isChecked();
}

std::optional<std::string> WindowHost::ChooseFile()
{
    return chooser_ ? chooser_() : std::nullopt;
}
