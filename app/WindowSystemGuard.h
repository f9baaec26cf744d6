#pragma once

namespace app {

// From its creation until Release, a window system that Qt cannot start (no
// display, a compositor that does not answer, a platform it has no plugin
// for) ends the program with line on standard error and status 1, instead
// of Qt's own lines and an abort; Qt's other messages meanwhile are held
// back and passed on by Release.
class WindowSystemGuard {
public:
    explicit WindowSystemGuard(const char* line);
    ~WindowSystemGuard() { Release(); }
    WindowSystemGuard(const WindowSystemGuard&) = delete;
    WindowSystemGuard& operator=(const WindowSystemGuard&) = delete;

    void Release();
};

}  // namespace app
