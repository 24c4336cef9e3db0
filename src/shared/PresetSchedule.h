#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace monctl {

// A preset applied every day at a time of day (local time).
struct ScheduledPreset {
    int minuteOfDay = 0; // 0 (00:00) to 1439 (23:59)
    std::string preset;
    bool operator==(const ScheduledPreset&) const = default;
};

// "07:30" as minutes after midnight; none for anything but HH:MM within a day.
std::optional<int> minuteOfDayFrom(std::string_view text);
std::string timeOfDayText(int minuteOfDay);

// The day's schedule: at most one preset a minute, in order of the time.
class PresetSchedule {
public:
    explicit PresetSchedule(std::vector<ScheduledPreset> events = {});

    const std::vector<ScheduledPreset>& events() const { return m_events; }
    // Puts the preset at this time, in place of one there before.
    void add(ScheduledPreset event);
    // False when nothing is scheduled at that time.
    bool remove(int minuteOfDay);

    // The first time after `moment` at which an event is due; none without events.
    std::optional<QDateTime> nextAfter(const QDateTime& moment) const;
    // The last event due after `since`, up to and including `until`: the one whose preset
    // should hold at `until`. None when nothing fell due between them.
    std::optional<ScheduledPreset> lastDue(const QDateTime& since, const QDateTime& until) const;

    // The preferences file's group [schedule]: "07:30=reading". Each edit reads the file and
    // writes its one key, so that what another program wrote meanwhile stays; false when the
    // file cannot be written.
    static PresetSchedule load(const QString& path);
    static bool store(const QString& path, const ScheduledPreset& event);
    static bool erase(const QString& path, int minuteOfDay);
    static bool renamePresetIn(const QString& path, const std::string& from, const std::string& to);

private:
    std::vector<ScheduledPreset> m_events;
};

} // namespace monctl
