#include "support/WindowFixture.h"

#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"

#include <algorithm>
#include <filesystem>

namespace monctl::test {

void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

QString portName(const MonitorSimulator& monitor) {
    return QString::fromStdString(std::filesystem::path(monitor.devicePath()).filename().string());
}

bool holds(const MonitorSimulator& monitor, const MonitorSettings& settings) {
    const auto now = monitor.settings();
    return MonitorSettings{now.contrast, now.mode, now.speed} == settings;
}

static std::string frame(const std::string& command) {
    return "5FF5" + command + "000000000000A0FA";
}

long received(const MonitorSimulator& monitor, const std::string& command) {
    return std::ranges::count(monitor.receivedFrames(), frame(command));
}

std::string commands(const MonitorSimulator& monitor) {
    std::string said;
    for (const auto& sent : monitor.receivedFrames()) {
        const auto command = sent.substr(4, 4);
        said += (said.empty() ? "" : " ") + (sent == frame(command) ? command : sent);
    }
    return said;
}

bool settled(const ControlPanel& panel) {
    return processEventsUntil(
        [&] { return panel.speedInfo()->isEnabled() && !panel.isReadingBack(); });
}

bool showsContrast(const ControlPanel& panel, const QString& contrast) {
    return processEventsUntil(
        [&] { return panel.thresholdInfo()->currentText() == contrast && !panel.isReadingBack(); });
}

WindowFixture::WindowFixture() {
    environment.set("XDG_CONFIG_HOME", home.path().toStdString());
}

void WindowFixture::usePorts(const std::vector<std::string>& paths) {
    SerialPortManager::reset();
    SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(paths));
}

AppShell& WindowFixture::openShell(const std::vector<std::string>& paths) {
    usePorts(paths);
    shell = std::make_unique<AppShell>(*qApp, preferences, loadDesktopBackends());
    shell->mainWindow()->show();
    return *shell;
}

bool WindowFixture::focusMainWindow() {
    other.focus(shell->mainWindow()->winId());
    return processEventsUntil([&] { return QApplication::activeWindow() == shell->mainWindow(); });
}

} // namespace monctl::test
