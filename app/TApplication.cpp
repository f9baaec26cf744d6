#include "TApplication.h"

#include "ClipboardHandover.h"

#include <QMessageBox>

#include <utility>

namespace app {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TApplication::~TApplication()
{
    KeepClipboardAfterExit();
}

void TApplication::SetTitle(const QString& title)
{
    // The display name would be appended to every window caption; the plain
    // application name names the program without touching the caption.
    setApplicationName(title);
}

void TApplication::Run()
{
    exec();
    if (escaped_)
        std::rethrow_exception(std::exchange(escaped_, nullptr));
}

void TApplication::ShowException(const QString& text)
{
    QMessageBox::critical(nullptr, applicationName(), text);
}

void TApplication::HandlerFailed(std::exception_ptr failure)
{
    if (!escaped_)
        escaped_ = std::move(failure);
    exit(0);
}

void TApplication::RethrowHandlerFailure() const
{
    if (escaped_)
        std::rethrow_exception(escaped_);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    // Once a handler has failed, the loop is ending: nothing more is
    // dispatched, not even the rest of the batch it was working through.
    if (escaped_)
        return false;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The last resort for handlers not called through CallHandler.
        HandlerFailed(std::current_exception());
        return false;
    }
}

void CallHandler(const std::function<void()>& handler) noexcept
{
    try {
        handler();
    } catch (...) {
        if (auto* application = dynamic_cast<TApplication*>(QCoreApplication::instance()))
            application->HandlerFailed(std::current_exception());
        else
            std::terminate();
    }
}

void RethrowHandlerFailure()
{
    if (auto* application = dynamic_cast<TApplication*>(QCoreApplication::instance()))
        application->RethrowHandlerFailure();
}

}  // namespace app
