#pragma once

#include "shared/PresetSchedule.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>

namespace monctl {

// Applies the schedule's presets as their times come: one timer to the next event, no
// polling. The wall clock is read again whenever the timer fires and when the computer wakes
// (logind's PrepareForSleep on the system bus), so that after a sleep or a clock jump the
// event that fell due in between runs once. Main thread only, on the Qt main loop.
class ScheduleRunner final : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;
    using Apply = std::function<void(const std::string& preset)>;

    ScheduleRunner(Apply apply, Clock clock = &QDateTime::currentDateTime,
                   QObject* parent = nullptr);

    // Follows this schedule from now on; what fell due before now does not run.
    void follow(PresetSchedule schedule);
    // Reads the clock: runs the event that fell due since the last look, then waits for the
    // next one.
    void check();
    // When the timer is set to fire; invalid while nothing is scheduled.
    QDateTime nextCheck() const { return m_next; }

private slots:
    void sleepChanged(bool goingToSleep);

private:
    void arm();

    Apply m_apply;
    Clock m_clock;
    PresetSchedule m_schedule;
    QDateTime m_lastLook;
    QDateTime m_next;
    QTimer m_timer;
};

} // namespace monctl
