#include "app/ChangeNotices.h"

#include "app/AppShell.h"
#include "app/ControlPanel.h"
#include "app/SettingNames.h"
#include "monitor/MonitorController.h"

#include <QMainWindow>
#include <iterator>

namespace monctl {
namespace {

// Contrast 1 to 9 as the gauge's 0 to 100.
int contrastLevel(int contrast) {
    return (contrast - 1) * 100 / 8;
}

DesktopNotifier::Notice noticeOf(Setting setting, int value) {
    switch (setting) {
    case Setting::contrast:
        return {ChangeNotices::tr("Contrast %1").arg(value), {}, contrastLevel(value)};
    case Setting::mode:
        return {modeText(value), {}, {}};
    case Setting::speed:
        return {ChangeNotices::tr("Speed %1").arg(speedText(value)), {}, {}};
    }
    return {};
}

} // namespace

ChangeNotices::ChangeNotices(AppShell& shell, Preferences preferences, QDBusConnection bus,
                             QObject* parent)
    : QObject(parent), m_shell(shell), m_preferences(std::move(preferences)),
      m_notifier(std::move(bus)), m_enabled(m_preferences.load().notify != 0) {
    auto& monitors = shell.monitors();
    m_connections.push_back(
        monitors.settingReported.connect([this](const auto& monitor, Setting setting, int value) {
            heard(monitor, setting, value, false);
        }));
    m_connections.push_back(
        monitors.settingWritten.connect([this](const auto& monitor, Setting setting, int value) {
            written(monitor, setting, value);
        }));
    m_connections.push_back(
        monitors.joined.connect([this](const auto& monitor) { joined(monitor); }));
    m_connections.push_back(monitors.left.connect([this](const auto& monitor) { left(monitor); }));
    connect(shell.controlPanel(), &ControlPanel::settingChosen, this,
            &ChangeNotices::chosenInWindow);
    connect(&shell, &AppShell::settingsClosed, this,
            [this] { m_enabled = m_preferences.load().notify != 0; });
}

// The first value a monitor tells is no change; nor is one it tells again.
void ChangeNotices::heard(const MonitorSet::Monitor& monitor, Setting setting, int value,
                          bool quiet) {
    auto& known = m_known[monitor->path()];
    const auto last = known.find(setting);
    const bool changed = last != known.end() && last->second != value;
    known[setting] = value;
    const auto [lowest, highest] = settingRange(setting);
    if (!changed || quiet || value < lowest || value > highest)
        return;
    auto notice = noticeOf(setting, value);
    notice.body = stateOf(*monitor, known);
    show(monitor, std::move(notice));
}

// All three once known: a notice that replaces another (a preset's three values, say) still
// tells what the monitor now has.
QString ChangeNotices::stateOf(const MonitorController& monitor,
                               const std::map<Setting, int>& known) {
    auto name = QString::fromStdString(monitor.name());
    if (known.size() < std::size(allSettings))
        return name;
    return tr("%1: contrast %2, %3, %4")
        .arg(name)
        .arg(known.at(Setting::contrast))
        .arg(modeText(known.at(Setting::mode)), speedText(known.at(Setting::speed)));
}

void ChangeNotices::written(const MonitorSet::Monitor& monitor, Setting setting, int value) {
    heard(monitor, setting, value, m_fromWindow.erase({monitor->path(), setting}) > 0);
}

void ChangeNotices::chosenInWindow(Setting setting) {
    if (const auto active = m_shell.monitors().active();
        active && m_shell.mainWindow()->isActiveWindow())
        m_fromWindow.insert({active->path(), setting});
}

void ChangeNotices::joined(const MonitorSet::Monitor& monitor) {
    if (m_gone.erase(monitor->path()))
        show(monitor,
             {tr("Monitor %1 is back").arg(QString::fromStdString(monitor->name())), {}, {}});
}

void ChangeNotices::left(const MonitorSet::Monitor& monitor) {
    m_known.erase(monitor->path());
    m_gone.insert(monitor->path());
    show(monitor,
         {tr("Monitor %1 went away").arg(QString::fromStdString(monitor->name())), {}, {}});
}

void ChangeNotices::show(const MonitorSet::Monitor& monitor, DesktopNotifier::Notice notice) {
    if (m_enabled)
        m_notifier.show(monitor->path(), std::move(notice));
}

} // namespace monctl
