// Qt aborts with lines of its own when it cannot start its window system;
// the entry point says it in one line instead.

#include "WindowSystemGuard.h"

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

// Qt reports a window system it could not start as a fatal message, after
// warnings that say what it tried.
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
