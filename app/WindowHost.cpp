#include "WindowHost.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>

WindowHost::WindowHost(QPlainTextEdit& output, QCheckBox& rgb332Option, FileChooser chooser)
    : output_(output), rgb332Option_(rgb332Option), chooser_(std::move(chooser))
{
}

void WindowHost::AddLine(const std::string& line)
{
    output_.appendPlainText(QString::fromLocal8Bit(line));
}

void WindowHost::ClearOutput()
{
    output_.clear();
}

void WindowHost::CopyAllToClipboard()
{
    // Every line on the clipboard ends with a line break, so that a paste
    // leaves the cursor on a fresh line, as the command-line host's output.
    QString text = output_.toPlainText();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(text);
}

void WindowHost::PumpEvents()
{
    QCoreApplication::processEvents();
}

bool WindowHost::Rgb332Selected()
{
    return rgb332Option_.isChecked();
}

std::optional<std::string> WindowHost::ChooseFile()
{
    return chooser_ ? chooser_() : std::nullopt;
}
