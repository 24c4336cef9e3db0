#pragma once

#include "shared/ScheduleRunner.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace monctl {

class MonitorSet;

// The schedule the running window follows: the preset due goes to the active monitor. The
// schedule is read from the preferences file again whenever the file changes on disk (the
// command line edits it while the window runs) and when asked to. Main thread only.
class ScheduledPresets final : public QObject {
    Q_OBJECT

public:
    ScheduledPresets(MonitorSet& monitors, QString path, ScheduleRunner::Clock clock,
                     QObject* parent = nullptr);

    // What fell due under the schedule followed so far runs first, then the file's is followed.
    void reload();
    const ScheduleRunner& runner() const { return m_runner; }

private:
    void apply(const std::string& preset);
    void watch();

    MonitorSet& m_monitors;
    QString m_path;
    ScheduleRunner m_runner;
    QFileSystemWatcher m_watcher;
};

} // namespace monctl
