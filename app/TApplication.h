#pragma once

#include <QApplication>

#include <exception>

// The application object: Qt's, plus the framework habits the program keeps.
// An exception that escapes an event handler ends the message loop and is
// rethrown by Run, so that the entry point can show it.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    // Sets the name the desktop shows for the application.
    void SetTitle(const QString& title);
    // Runs the message loop until the main window closes.
    void Run();
    // Shows an error message box titled with the application's name.
    void ShowException(const QString& message);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::exception_ptr escaped_;
};

// Whether a windowing system can be reached; false on a plain terminal.
bool DisplayAvailable();
