#pragma once

#include "ConverterHost.h"

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QPlainTextEdit;

// Carries a conversion in the window: lines go to the output area, the
// clipboard gets its text, and events are dispatched while the run goes on.
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

private:
    QPlainTextEdit& output_;
    QCheckBox& rgb332Option_;
    FileChooser chooser_;
};
