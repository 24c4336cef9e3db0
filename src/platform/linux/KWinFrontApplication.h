#pragma once

#include "platform/FrontApplicationWatch.h"
#include "runtime/Backend.h"

#include <QDBusConnection>
#include <QObject>
#include <QtGlobal>
#include <memory>

class QDBusServiceWatcher;
class QTemporaryFile;

namespace monctl {

// The window in front on KDE Plasma's Wayland session, which KWin tells only its scripts: a
// script loaded through org.kde.kwin.Scripting calls this object (on the session bus, at
// scriptObjectPath) with the resource class and name of each window activated. The script is
// loaded again when KWin restarts, and unloaded at stop and destruction. Main thread only, on
// the Qt main loop.
class KWinFrontApplication final : public QObject, public FrontApplicationWatch {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.monctl.Monctl1.FrontWindow")

public:
    static constexpr const char* scriptName = "monctl-front-window";
    static constexpr const char* scriptObjectPath = "/org/monctl/Monctl/FrontWindow";

    // None, with the reason, when no KWin answers on the session bus.
    static Opened<KWinFrontApplication> open();
    ~KWinFrontApplication() override;

    void start() override;
    void stop() override;
    bool isWatching() const override { return m_watching; }
    std::string backendName() const override {
        return QT_TRANSLATE_NOOP("monctl::AboutBox", "a KWin script");
    }
    // The script, as it is loaded: it reports to `service`.
    static QString script(const QString& service);

public slots:
    Q_SCRIPTABLE void Activated(const QString& resourceClass, const QString& resourceName);

private:
    explicit KWinFrontApplication(const QDBusConnection& connection);
    void loadScript();
    void unloadScript(bool waits);

    QDBusConnection m_connection;
    QDBusServiceWatcher* m_kwinWatcher;
    std::unique_ptr<QTemporaryFile> m_scriptFile;
    bool m_watching = false;
    unsigned m_loadAttempt = 0; // the answer to an earlier load is not waited for
    int m_loadTries = 0;        // loads KWin could not take yet
    FrontWindow m_front;
};

} // namespace monctl
