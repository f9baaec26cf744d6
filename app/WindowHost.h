#pragma once

#include "ConverterHost.h"

#include <QElapsedTimer>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QPlainTextEdit;

// Carries a conversion in the window: lines go to the output area, the
// clipboard gets its text, and events are dispatched while the run goes on.
//
// A run writes thousands of lines between pumps that cost a microsecond
// each; laying out and repainting the output area for every line would take
// seconds. Lines are therefore gathered and handed to the output area at
// most once a frame, and always before anything reads or clears it.
class WindowHost : public ConverterHost {
public:
    using FileChooser = std::function<std::optional<std::string>()>;

    WindowHost(QPlainTextEdit& output, QCheckBox& rgb332Option, FileChooser chooser);

    void AddLine(const std::string& line) override;
    void ClearOutput() override;
    void CopyAllToClipboard() override;
    void PumpEvents() override;
    bool Rgb332Selected() override;
    std::optional<std::string> ChooseFile() override;

    // Replaces the file chooser, for example by one that shows no dialog.
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // Shows every line added so far in the output area.
    void ShowPendingLines();

private:
    QPlainTextEdit& output_;
    QCheckBox& rgb332Option_;
    FileChooser chooser_;
    QStringList pending_;
    // Whether the output area holds lines of a run; an area holding one
    // empty line looks the same as an empty one.
    bool outputHasLines_ = false;
    // Whether lines were shown since the last pump, which paints them.
    bool unpainted_ = false;
    QElapsedTimer sinceShown_;
};
