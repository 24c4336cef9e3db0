#pragma once

#include "app/BusInterface.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <deque>
#include <functional>

namespace monctl {

class ControlPanel;

// The running window on the session bus: what the command line offers, carried out through
// the control panel, so that frames go out through the window's open ports and its pacing.
// A call that sends is answered once its frame is written (a read-back: once the monitor
// reported the setting, or after the time asked for). Main thread only.
class MonitorBusService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.monctl.Monctl1")

public:
    // `raise` brings the window to the front.
    MonitorBusService(ControlPanel& panel, std::function<void()> raise, QObject* parent = nullptr);

    // Exports the object on the connection, whose name the caller holds.
    bool publish(QDBusConnection bus);

public slots:
    monctl::bus::MonitorEntries ListMonitors();
    void ChooseMonitor(const QString& path);
    int Get(const QString& setting, uint timeoutMs);
    void Set(const QString& setting, int value);
    void FastRefresh();
    void SyncTime();
    void Raise();

signals:
    void SettingReported(const QString& setting, int value);
    void ButtonEvent(const QString& event);
    void MonitorsChanged();

private:
    struct Pending {
        int command;
        int value;
        QDBusMessage call;
        QString path;   // of the monitor it went to
        uint wait = 0;  // a read-back: how long to wait for the report, in ms
        quint64 id = 0; // a read-back once written: its place among the waiting
    };

    bool hasMonitor();
    void expect(int command, int value, uint wait = 0);
    void sent(int command, int value, bool written);
    void reported(int parameter, int value);
    void monitorsChanged();
    void fail(const QDBusMessage& call, const QString& name, const QString& text);
    void giveUp(quint64 id);

    ControlPanel& m_panel;
    std::function<void()> m_raise;
    std::deque<Pending> m_unsent;
    std::deque<Pending> m_readBacks;
    quint64 m_nextId = 1;
};

} // namespace monctl
