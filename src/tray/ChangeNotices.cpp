#include "tray/ChangeNotices.h"

#include "monitor/MonitorController.h"
#include "shared/SettingNames.h"
#include "windows/AppShell.h"

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
    m_connections.push_back(monitors.settingChanged.connect(
        [this](const auto& monitor, const SettingChange& change) { changed(monitor, change); }));
    m_connections.push_back(
        monitors.joined.connect([this](const auto& monitor) { joined(monitor); }));
    m_connections.push_back(monitors.left.connect([this](const auto& monitor) { left(monitor); }));
    connect(&shell, &AppShell::settingsClosed, this,
            [this] { m_enabled = m_preferences.load().notify != 0; });
}

// The first value a monitor tells is no change.
void ChangeNotices::changed(const MonitorSet::Monitor& monitor, const SettingChange& change) {
    const auto [lowest, highest] = settingRange(change.setting);
    if (!change.previous || change.notice == ChangeNotice::seenWhereMade || change.value < lowest ||
        change.value > highest)
        return;
    auto notice = noticeOf(change.setting, change.value);
    notice.body = stateOf(*monitor);
    show(monitor, std::move(notice));
}

// All three once known: a notice that replaces another (a preset's three values, say) still
// tells what the monitor now has.
QString ChangeNotices::stateOf(const MonitorController& monitor) {
    auto name = QString::fromStdString(monitor.name());
    const auto settings = monitor.settings();
    if (!settings)
        return name;
    return tr("%1: contrast %2, %3, %4")
        .arg(name)
        .arg(settings->contrast)
        .arg(modeText(settings->mode), speedText(settings->speed));
}

void ChangeNotices::joined(const MonitorSet::Monitor& monitor) {
    if (m_gone.erase(monitor->path()))
        show(monitor,
             {tr("Monitor %1 is back").arg(QString::fromStdString(monitor->name())), {}, {}});
}

void ChangeNotices::left(const MonitorSet::Monitor& monitor) {
    m_gone.insert(monitor->path());
    show(monitor,
         {tr("Monitor %1 went away").arg(QString::fromStdString(monitor->name())), {}, {}});
}

void ChangeNotices::show(const MonitorSet::Monitor& monitor, DesktopNotifier::Notice notice) {
    if (m_enabled)
        m_notifier.show(monitor->path(), std::move(notice));
}

} // namespace monctl
