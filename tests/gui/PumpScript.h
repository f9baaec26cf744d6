#pragma once

// Acts as a user inside a running conversion: runs an action in the n-th
// event pump from now. Qt dispatches in one pump only the events that were
// queued when it began, so a call that queues itself again runs once a pump.

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

inline void AtPump(int pump, std::function<void()> action)
{
    auto remaining = std::make_shared<int>(pump);
    auto step = std::make_shared<std::function<void()>>();
    *step = [remaining, action, step] {
        if (--*remaining > 0) {
            QMetaObject::invokeMethod(qApp, *step, Qt::QueuedConnection);
            return;
        }
        action();
        *step = nullptr;  // breaks the cycle that kept the script alive
    };
    QMetaObject::invokeMethod(qApp, *step, Qt::QueuedConnection);
}
