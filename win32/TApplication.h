#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace win32 {

// The application object: the message loop, the event pump the conversion
// calls, and the framework habits the program keeps. A handler's exception
// ends the message loop: from then on no message is dispatched, and Run
// rethrows it so that the entry can show it.
class TApplication {
public:
    using ExceptionDisplay = std::function<void(const std::wstring& title, const std::wstring& message)>;

    explicit TApplication(HINSTANCE instance);
    virtual ~TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Registers the common controls the window uses (the tooltips).
    void Initialize();
    // Sets the application's name, which titles its message boxes.
    void SetTitle(std::wstring title) { title_ = std::move(title); }
    const std::wstring& Title() const { return title_; }
    HINSTANCE Instance() const { return instance_; }

    // Dispatches messages until a quit request, or until a handler fails.
    void Run();
    // Dispatches every pending message without waiting; remembers a quit
    // request for Run. Virtual so that a test can act between pumps.
    virtual void ProcessMessages();
    // Asks the message loop to end once control is back in it.
    void Terminate();
    // Whether the message loop has been asked to end.
    bool Terminated() const { return terminated_; }

    // Called by a handler's guard with its exception: ends the loop.
    void HandlerFailed(std::exception_ptr failure);
    // Rethrows a handler's failure, so that a run pumping events unwinds too.
    void RethrowHandlerFailure() const;
    // Shows an error message titled with the application's name.
    void ShowException(const std::wstring& text);
    // Replaces the message box of ShowException, for example in a test.
    void SetExceptionDisplay(ExceptionDisplay display) { display_ = std::move(display); }
    // The tooltip control that shows the controls' hints; the loop hands it
    // the mouse messages it needs.
    void SetHintWindow(HWND hints) { hints_ = hints; }

    // Calls a handler; its exception ends the loop instead of unwinding
    // through Windows' code, which C++ exceptions must never cross.
    template <typename Handler>
    LRESULT Guard(Handler&& handler, LRESULT failed = 0) noexcept
    {
        try {
            return handler();
        } catch (...) {
            HandlerFailed(std::current_exception());
            return failed;
        }
    }

private:
    void Dispatch(MSG& message);

    HINSTANCE instance_;
    std::wstring title_;
    bool terminated_ = false;
    std::exception_ptr failure_;
    ExceptionDisplay display_;
    HWND hints_ = nullptr;
};

// Throws the thread's last Windows error as an exception naming the call.
[[noreturn]] void ThrowLastError(const char* call);

}  // namespace win32
