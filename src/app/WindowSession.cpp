#include "app/WindowSession.h"

#include "app/DesktopPresence.h"
#include "bus/WindowInstance.h"
#include "device/MonitorSimulator.h"
#include "platform/PlatformLoader.h"
#include "runtime/AsioMainQueue.h"
#include "serial/SerialPortManager.h"
#include "shared/AppIdentity.h"
#include "shared/QtMainQueue.h"
#include "windows/AppShell.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <spdlog/spdlog.h>

namespace monctl {

int runWindow(const CliRequest& request, int argc, char** argv) {
    // Qt would abort without a display; say what to do instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("monctl: no display to open the window on; run it on a desktop, or give a "
                   "command (see monctl --help)\n",
                   stderr);
        return 1;
    }
    // The window joins the session the backends are chosen for, not XWayland beside it;
    // without Qt's Wayland plugin (or a compositor to reach) it falls back to X11.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
                desktopSession().session == DesktopSession::wayland ? "wayland;xcb" : "xcb");
    // The Wayland app id, and the name a Qt that registers with the desktop's portal (6.10 on)
    // gives it: set before the application exists, which is when such a Qt registers.
    QGuiApplication::setDesktopFileName(applicationId);
    QApplication application(argc, argv);
    spdlog::info("window system: {}", QGuiApplication::platformName().toStdString());
    const auto start = checkWindowStart(request.hidden);
    if (start == WindowStart::raised)
        return 0;
    MainQueue::install(std::make_shared<QtMainQueue>(&application));
    auto ports = request.ports;
    std::unique_ptr<MonitorSimulator> simulator;
    if (request.simulate) {
        simulator = std::make_unique<MonitorSimulator>();
        if (simulator->error()) {
            spdlog::error("The simulated monitor cannot start: {}", simulator->error().message());
            return 1;
        }
        ports.push_back(simulator->devicePath());
    }
    auto registry = loadDeviceRegistry(ports);
    auto backends = loadDesktopBackends();
    spdlog::info("device registry: {}", describeBackend(*registry));
    for (const auto& line : backends.describe())
        spdlog::info("{}", line);
    SerialPortManager::useRegistry(std::move(registry));
    int status = 0;
    {
        AppShell shell(application, Preferences(), std::move(backends));
        DesktopPresence presence(shell, Preferences(), request.hidden, start == WindowStart::first);
        QTimer::singleShot(0, &shell, &AppShell::applicationDidFinishLaunching);
        status = application.exec();
    }
    // Replaced while the application still exists: ports may report at any time. What they
    // report from now on (the exit clean-up) is handled on this thread at once.
    MainQueue::install(std::make_shared<AsioMainQueue>());
    return status;
}

} // namespace monctl
