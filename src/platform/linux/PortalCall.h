#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <functional>

class QObject;

namespace monctl {

// Calls a method on the session bus and hands its reply, or its error, to `done`: later, on
// the main loop, where a Qt application runs one, so that a slow or starting portal holds
// nothing up; else (a command without a main loop) at once, after waiting for it, 5 s at most.
// `done` is not called once `context` is destroyed. Main thread only.
void callPortal(const QDBusConnection& connection, const QDBusMessage& call, QObject* context,
                std::function<void(const QDBusMessage& reply)> done);

} // namespace monctl
