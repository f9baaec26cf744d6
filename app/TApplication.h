#pragma once

#include <QApplication>

#include <exception>
#include <functional>

namespace app {

// The application object: Qt's, plus the framework habits the program keeps.
// An exception that escapes an event handler ends the message loop and is
// rethrown by Run, so that the entry point can show it; from then on no
// event is dispatched.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    // Hands the clipboard's text on, so that it outlives the program.
    ~TApplication() override;

    // Sets the name the desktop shows for the application.
    void SetTitle(const QString& title);
    // Runs the message loop until the main window closes.
    void Run();
    // Shows an error message box titled with the application's name.
    void ShowException(const QString& text);

    // Ends the message loop because a handler failed; Run rethrows the first failure.
    void HandlerFailed(std::exception_ptr failure);
    // Rethrows a handler's failure, so that code waiting on a nested event loop unwinds too.
    void RethrowHandlerFailure() const;

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::exception_ptr escaped_;
};

// Calls a handler; an exception from it ends the message loop instead of
// unwinding through Qt's code, which Qt does not allow.
void CallHandler(const std::function<void()>& handler) noexcept;

// A slot that calls receiver's handler through CallHandler.
template <typename Receiver>
auto Handler(Receiver* receiver, void (Receiver::*handler)())
{
    return [receiver, handler] { CallHandler([receiver, handler] { (receiver->*handler)(); }); };
}

// Rethrows a failure of a handler run inside a nested event loop (an event
// pump or a modal dialog); does nothing outside a TApplication.
void RethrowHandlerFailure();

}  // namespace app
