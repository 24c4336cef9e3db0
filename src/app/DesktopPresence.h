#pragma once

#include <QObject>

namespace monctl {

class AppShell;
class MonitorBusService;

// What the running window offers beyond itself: its interface on the session bus (the name
// was claimed before). Main thread only.
class DesktopPresence final : public QObject {
    Q_OBJECT

public:
    DesktopPresence(AppShell& shell, bool hidden);

    // Brings the main window to the front.
    void raiseWindow();

private:
    AppShell& m_shell;
    MonitorBusService* m_bus;
};

} // namespace monctl
