#include "app/TimedRefresh.h"

#include "app/ControlPanel.h"

namespace monctl {

TimedRefresh::TimedRefresh(ControlPanel& panel, QObject* parent) : QObject(parent), m_panel(panel) {
    connect(&m_timer, &QTimer::timeout, &panel, [&panel] { panel.updateViewRefreshInfo(1); });
    connect(&panel, &ControlPanel::monitorsChanged, this, &TimedRefresh::follow);
}

void TimedRefresh::setPeriod(std::chrono::seconds period) {
    if (period == m_period)
        return;
    m_period = period;
    m_timer.stop();
    follow();
}

void TimedRefresh::follow() {
    const bool wanted = m_period.count() > 0 && !m_panel.monitors().empty();
    if (!wanted)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start(m_period);
}

} // namespace monctl
