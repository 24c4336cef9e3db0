#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

namespace monctl {

class ControlPanel;

// A fast refresh of the active monitor at a fixed period (e-paper panels collect ghosting),
// paused while no monitor is listed; a listed monitor starts the period afresh. Main thread
// only.
class TimedRefresh final : public QObject {
    Q_OBJECT

public:
    explicit TimedRefresh(ControlPanel& panel, QObject* parent = nullptr);

    // Zero: off.
    void setPeriod(std::chrono::seconds period);

private:
    void follow();

    ControlPanel& m_panel;
    QTimer m_timer;
    std::chrono::seconds m_period{0};
};

} // namespace monctl
