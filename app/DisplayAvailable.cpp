// Whether the windowing system Qt will pick can be reached. Qt aborts with
// its own message when it cannot connect; the entry point checks first and
// says it in one line of its own, and catches what it could not foresee.

#include "DisplayAvailable.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace app {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

const char* failureLine = nullptr;
QtMessageHandler passOn = nullptr;
std::vector<HeldMessage> held;

void HoldOrFail(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fputs(failureLine, stderr);
        std::_Exit(1);
    }
    held.push_back({type, context.category, text});
}

}  // namespace

WindowSystemGuard::WindowSystemGuard(const char* line)
{
    failureLine = line;
    passOn = qInstallMessageHandler(HoldOrFail);
}

void WindowSystemGuard::Release()
{
    if (passOn == nullptr)
        return;
    qInstallMessageHandler(passOn);
    for (const HeldMessage& message : held)
        passOn(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()), message.text);
    held.clear();
    passOn = nullptr;
}

}  // namespace app

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

#include <xcb/xcb.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool NamesGnome(std::string desktop)
{
    std::transform(desktop.begin(), desktop.end(), desktop.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return desktop.find("gnome") != std::string::npos;
}

// The platforms Qt tries, in its order: the ones QT_QPA_PLATFORM names, or
// else Wayland then X11 in a Wayland session (except under GNOME, where Qt
// ignores the session type), or else X11.
std::vector<std::string> PlatformsQtTries()
{
    std::string names = Environment("QT_QPA_PLATFORM");
    if (names.empty()) {
        const bool gnome = NamesGnome(Environment("XDG_CURRENT_DESKTOP")) || NamesGnome(Environment("XDG_SESSION_DESKTOP"));
        names = Environment("XDG_SESSION_TYPE") == "wayland" && !gnome ? "wayland;xcb" : "xcb";
    }
    std::vector<std::string> platforms;
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find(';', start), names.size());
        // Plugin options follow the name after a colon.
        const std::string entry = names.substr(start, end - start);
        platforms.push_back(entry.substr(0, entry.find(':')));
        start = end + 1;
    }
    return platforms;
}

bool X11Answers()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return connected;
}

bool WaylandAnswers()
{
    // A compositor that started us may hand over a connected socket.
    if (!Environment("WAYLAND_SOCKET").empty())
        return true;
    std::string path = Environment("WAYLAND_DISPLAY");
    if (path.empty())
        path = "wayland-0";
    if (path.front() != '/') {
        const std::string runtime = Environment("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = runtime + "/" + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        descriptor >= 0 && connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (descriptor >= 0)
        close(descriptor);
    return connected;
}

}  // namespace

namespace app {

bool DisplayAvailable()
{
    for (const std::string& platform : PlatformsQtTries()) {
        if (platform == "xcb" ? X11Answers() : platform.starts_with("wayland") ? WaylandAnswers() : true)
            return true;
    }
    return false;
}

}  // namespace app

#else

bool app::DisplayAvailable()
{
    return true;
}

#endif
