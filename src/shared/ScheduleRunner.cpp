#include "shared/ScheduleRunner.h"

#include <QDBusConnection>
#include <algorithm>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

// A timer's interval is an int of milliseconds; a day fits many times over.
constexpr qint64 longestScheduleWait = 24LL * 60 * 60 * 1000;

} // namespace

ScheduleRunner::ScheduleRunner(Apply apply, Clock clock, QObject* parent)
    : QObject(parent), m_apply(std::move(apply)), m_clock(std::move(clock)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ScheduleRunner::check);
    QDBusConnection::systemBus().connect("org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", "PrepareForSleep", this,
                                         SLOT(sleepChanged(bool)));
}

void ScheduleRunner::follow(PresetSchedule schedule) {
    m_schedule = std::move(schedule);
    m_lastLook = m_clock();
    arm();
}

void ScheduleRunner::check() {
    const auto now = m_clock();
    const auto due = m_schedule.lastDue(m_lastLook, now);
    m_lastLook = now;
    if (due) {
        spdlog::info("Scheduled preset \"{}\" of {}", due->preset, timeOfDayText(due->minuteOfDay));
        m_apply(due->preset);
    }
    arm();
}

void ScheduleRunner::sleepChanged(bool goingToSleep) {
    if (!goingToSleep)
        check();
}

void ScheduleRunner::arm() {
    const auto next = m_schedule.nextAfter(m_lastLook);
    m_next = next.value_or(QDateTime());
    if (!next) {
        m_timer.stop();
        return;
    }
    m_timer.start(
        static_cast<int>(std::clamp(m_lastLook.msecsTo(*next), 0LL, longestScheduleWait)));
}

} // namespace monctl
