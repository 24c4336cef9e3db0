#pragma once

#include "bus/BusInterface.h"
#include "monitor/Setting.h"
#include "runtime/Signal.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace monctl {

class MonitorController;
class MonitorSet;

// The running window on the session bus, a view of the monitors: what the command line
// offers, carried out by the controller of the monitor named by its device path ("" the
// active one), so that frames go out through the window's open ports with their pacing. A
// call that sends is answered once its frame is written (a read-back: once that monitor
// reported the setting, or after the time asked for). Only ChooseMonitor changes the active
// monitor. Main thread only.
class MonitorBusService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.monctl.Monctl1")
    Q_PROPERTY(QString FrontApplication READ FrontApplication)

public:
    // `raise` brings the window to the front.
    MonitorBusService(MonitorSet& monitors, std::function<void()> raise, QObject* parent = nullptr);

    // Exports the object on the connection, before its name is claimed.
    bool publish(QDBusConnection bus);
    // The id of the application in front, "" when none is known; published with
    // org.freedesktop.DBus.Properties.PropertiesChanged.
    QString FrontApplication() const { return m_frontApplication; }
    void showFrontApplication(const QString& application);

public slots:
    monctl::bus::MonitorEntries ListMonitors();
    monctl::bus::AdapterEntries ListAdapters();
    void ChooseMonitor(const QString& path);
    int Get(const QString& path, const QString& setting, uint timeoutMs);
    void Set(const QString& path, const QString& setting, int value);
    // The contrast moved by `by`, kept within 1 to 9, from what the monitor holds once the
    // commands queued before have gone out (asked first while it is not known).
    void ChangeContrast(const QString& path, int by);
    void FastRefresh(const QString& path);
    void SyncTime(const QString& path);
    void Raise();
    // The presets of the preferences file, which the window and the command line share.
    monctl::bus::PresetEntries ListPresets();
    void ApplyPreset(const QString& path, const QString& name);
    void SavePreset(const QString& path, const QString& name);
    void DeletePreset(const QString& name);

signals:
    void SettingReported(const QString& path, const QString& setting, int value);
    void ButtonEvent(const QString& path, const QString& event);
    void MonitorsChanged();

private:
    // The monitor at the path, "" the active one; none after an error reply.
    std::shared_ptr<MonitorController> target(const QString& path);
    // Answers the call once the command's frame is written, or with why it was not.
    std::function<void(std::error_code)> replyWhenWritten(const std::string& path);

    // The preset's settings; none after an error reply.
    std::optional<MonitorSettings> knownPreset(const QString& name);

    MonitorSet& m_monitors;
    std::function<void()> m_raise;
    std::vector<Connection> m_connections;
    std::optional<QDBusConnection> m_bus;
    QString m_frontApplication;
};

} // namespace monctl
