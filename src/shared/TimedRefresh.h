#pragma once

#include "runtime/Signal.h"

#include <QObject>
#include <QTimer>
#include <chrono>

namespace monctl {

class MonitorSet;

// A fast refresh of the active monitor at a fixed period (e-paper panels collect ghosting),
// paused while no monitor is listed; a listed monitor starts the period afresh. Main thread
// only.
class TimedRefresh final : public QObject {
    Q_OBJECT

public:
    explicit TimedRefresh(MonitorSet& monitors, QObject* parent = nullptr);

    // Zero: off.
    void setPeriod(std::chrono::seconds period);

private:
    void follow();
    void refresh();

    MonitorSet& m_monitors;
    QTimer m_timer;
    std::chrono::seconds m_period{0};
    Connection m_listChanged;
};

} // namespace monctl
