#pragma once

#include "platform/FrontApplicationWatch.h"
#include "runtime/Signal.h"
#include "shared/ApplicationRules.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace monctl {

class MonitorSet;

// Gives the active monitor the preset that the rules of the preferences file name for the
// application in front, each time another comes to the front: only the settings the monitor
// does not already hold, so that a change made by hand meanwhile holds until the next one.
// The desktop is watched only while there is a rule, or while someone wants to see the
// applications (Settings). monctl's own windows are no application of their own. The rules are
// read again whenever the preferences file changes. Main thread only.
class FrontApplicationPresets final : public QObject {
    Q_OBJECT

public:
    FrontApplicationPresets(MonitorSet& monitors, QString path,
                            std::shared_ptr<FrontApplicationWatch> watch,
                            QObject* parent = nullptr);

    void reload();
    // While any hold is kept, the desktop is watched even without a rule.
    [[nodiscard]] std::shared_ptr<void> holdWatch();

    const FrontApplicationWatch& watch() const { return *m_watch; }
    // "" while nothing is watched or no application is in front.
    const QString& front() const { return m_front; }
    // The applications seen in front during this run, in the order they first came.
    const QStringList& seen() const { return m_seen; }

signals:
    void frontChanged(const QString& application);
    void seenChanged();

private:
    void followWatch();
    void windowInFront(const FrontWindow& window);
    void apply(const std::string& preset);
    bool isOwnWindow(const FrontWindow& window) const;

    MonitorSet& m_monitors;
    QString m_path;
    std::shared_ptr<FrontApplicationWatch> m_watch;
    Connection m_changes;
    QFileSystemWatcher m_fileWatcher;
    std::vector<ApplicationRule> m_rules;
    std::weak_ptr<void> m_holds;
    QString m_front;
    QString
        m_lastApplication; // the last one given its preset: a window of the same counts no change
    QStringList m_seen;
};

} // namespace monctl
