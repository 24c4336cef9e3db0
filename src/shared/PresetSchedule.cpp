#include "shared/PresetSchedule.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <functional>

namespace monctl {
namespace {

constexpr const char* scheduleGroup = "schedule";

QDateTime atMinute(const QDate& day, int minuteOfDay) {
    return QDateTime(day, QTime(minuteOfDay / 60, minuteOfDay % 60));
}

bool readNumber(std::string_view digits, int& value) {
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return digits.size() == 2 && error == std::errc() && end == digits.data() + digits.size();
}

QString timeKey(int minuteOfDay) {
    return QString::fromStdString(timeOfDayText(minuteOfDay));
}

bool editGroup(const QString& path, const std::function<void(QSettings&)>& edit) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(scheduleGroup);
    edit(file);
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}

} // namespace

std::optional<int> minuteOfDayFrom(std::string_view text) {
    int hour = 0;
    int minute = 0;
    if (text.size() != 5 || text[2] != ':' || !readNumber(text.substr(0, 2), hour) ||
        !readNumber(text.substr(3), minute) || hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

std::string timeOfDayText(int minuteOfDay) {
    return fmt::format("{:02}:{:02}", minuteOfDay / 60, minuteOfDay % 60);
}

PresetSchedule::PresetSchedule(std::vector<ScheduledPreset> events) {
    for (auto& event : events)
        add(std::move(event));
}

void PresetSchedule::add(ScheduledPreset event) {
    remove(event.minuteOfDay);
    const auto place = std::lower_bound(
        m_events.begin(), m_events.end(), event.minuteOfDay,
        [](const ScheduledPreset& earlier, int minute) { return earlier.minuteOfDay < minute; });
    m_events.insert(place, std::move(event));
}

bool PresetSchedule::remove(int minuteOfDay) {
    return std::erase_if(m_events, [&](const ScheduledPreset& event) {
               return event.minuteOfDay == minuteOfDay;
           }) > 0;
}

// Tomorrow's first event is due at the latest: a day holds every time once.
std::optional<QDateTime> PresetSchedule::nextAfter(const QDateTime& moment) const {
    for (const auto& day : {moment.date(), moment.date().addDays(1)}) {
        for (const auto& event : m_events) {
            if (const auto due = atMinute(day, event.minuteOfDay); due > moment)
                return due;
        }
    }
    return std::nullopt;
}

// Walks back from `until` over at most one day: the first event met is the newest.
std::optional<ScheduledPreset> PresetSchedule::lastDue(const QDateTime& since,
                                                       const QDateTime& until) const {
    for (const auto& day : {until.date(), until.date().addDays(-1)}) {
        for (auto event = m_events.rbegin(); event != m_events.rend(); ++event) {
            const auto due = atMinute(day, event->minuteOfDay);
            if (due <= until)
                return due > since ? std::optional(*event) : std::nullopt;
        }
    }
    return std::nullopt;
}

PresetSchedule PresetSchedule::load(const QString& path) {
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(scheduleGroup);
    PresetSchedule schedule;
    for (const auto& key : file.childKeys()) {
        const auto minute = minuteOfDayFrom(key.toStdString());
        const auto preset = file.value(key).toString().toStdString();
        if (minute && !preset.empty())
            schedule.add({*minute, preset});
    }
    return schedule;
}

bool PresetSchedule::store(const QString& path, const ScheduledPreset& event) {
    return editGroup(path, [&](QSettings& file) {
        file.setValue(timeKey(event.minuteOfDay), QString::fromStdString(event.preset));
    });
}

bool PresetSchedule::erase(const QString& path, int minuteOfDay) {
    return editGroup(path, [&](QSettings& file) { file.remove(timeKey(minuteOfDay)); });
}

bool PresetSchedule::renamePresetIn(const QString& path, const std::string& from,
                                    const std::string& to) {
    const auto renamed = QString::fromStdString(to);
    const auto schedule = load(path);
    return editGroup(path, [&](QSettings& file) {
        for (const auto& event : schedule.events()) {
            if (event.preset == from)
                file.setValue(timeKey(event.minuteOfDay), renamed);
        }
    });
}

} // namespace monctl
