#include "app/DesktopPresence.h"

#include "app/AppShell.h"
#include "app/MonitorBusService.h"

#include <QDBusConnection>
#include <QMainWindow>
#include <spdlog/spdlog.h>

namespace monctl {

DesktopPresence::DesktopPresence(AppShell& shell, bool hidden)
    : m_shell(shell), m_bus(new MonitorBusService(
                          *shell.controlPanel(), [this] { raiseWindow(); }, this)) {
    auto bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && !m_bus->publish(bus))
        spdlog::warn("The window cannot be reached on the session bus: {}",
                     bus.lastError().message().toStdString());
    if (!hidden)
        shell.mainWindow()->show();
}

void DesktopPresence::raiseWindow() {
    auto* window = m_shell.mainWindow();
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace monctl
