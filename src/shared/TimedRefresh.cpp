#include "shared/TimedRefresh.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"

namespace monctl {

TimedRefresh::TimedRefresh(MonitorSet& monitors, QObject* parent)
    : QObject(parent), m_monitors(monitors) {
    connect(&m_timer, &QTimer::timeout, this, &TimedRefresh::refresh);
    m_listChanged = monitors.listChanged.connect([this] { follow(); });
}

void TimedRefresh::setPeriod(std::chrono::seconds period) {
    if (period == m_period)
        return;
    m_period = period;
    m_timer.stop();
    follow();
}

void TimedRefresh::follow() {
    const bool wanted = m_period.count() > 0 && m_monitors.active();
    if (!wanted)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start(m_period);
}

void TimedRefresh::refresh() {
    if (const auto active = m_monitors.active())
        active->fastRefresh();
}

} // namespace monctl
