#pragma once

#include "platform/linux/PortalRegistry.h"
#include "runtime/Backend.h"
#include "shortcut/DesktopShortcuts.h"

#include <QDBusConnection>
#include <QObject>
#include <memory>

class QDBusMessage;
class QDBusServiceWatcher;

namespace monctl {

// The desktop's GlobalShortcuts portal on the session bus, through Qt D-Bus, on a bus
// connection of its own whose first portal call names the application (where the portal asks
// for it). A session always has the same token, so that desktops which file a person's
// assignments under the application and that token (KDE) find them at the next start. A new
// session first lists what the desktop holds, and binds only what it lacks, or combinations
// that changed: a desktop may take one bind per session and ask the person each time (GNOME),
// so a change closes the session and binds in a new one, and a refusal is not asked again
// until the combinations change or configure() asks for it. A session the desktop closes, or a
// portal that restarts, is followed by a new session. Nothing waits for the portal: its
// answers come on the Qt main loop. The last session is closed at destruction. Main thread
// only.
class PortalGlobalShortcuts final : public QObject, public DesktopShortcuts {
    Q_OBJECT

public:
    // None, with the reason, when the session bus has no portal, neither running nor to be
    // started. Without a Qt application (a command that reports and ends) the portal is
    // also asked what it offers at once, and none comes for a portal without the interface.
    static Opened<PortalGlobalShortcuts> open(const QString& appId);
    ~PortalGlobalShortcuts() override;

    void bind(std::vector<Wish> wishes) override;
    State state() const override { return m_state; }
    Refusal refusal() const override { return m_refusal; }
    std::vector<Binding> bindings() const override { return m_bindings; }
    std::string problem() const override { return m_problem; }
    // Version 2 of the interface has ConfigureShortcuts.
    bool offersConfiguration() const override { return m_version >= 2; }
    void configure() override;
    std::string backendName() const override;
    // Set when the portal turned out to have no usable GlobalShortcuts interface.
    std::string whyNull() const override { return m_unusable; }

private slots:
    void shortcutActivated(const QDBusMessage& message);
    void shortcutsChanged(const QDBusMessage& message);
    void sessionClosed(const QDBusMessage& message);

private:
    PortalGlobalShortcuts(const QDBusConnection& connection, QString appId);
    void greetPortal();
    void readVersion(unsigned generation);
    void portalUnusable(const char* reason);
    void openSession();
    void createSession(unsigned generation);
    // `decides`: the answer says whether to bind; else it reports what a bind gave.
    void listShortcuts(unsigned generation, bool decides);
    void bindShortcuts(unsigned generation);
    void sessionRefused(const QString& problem);
    void finishOpening(State state, Refusal refusal, std::vector<Binding> bindings,
                       std::string problem);
    void closeSession();
    void forgetPortal();
    void settle(State state, Refusal refusal, std::vector<Binding> bindings, std::string problem);

    QDBusConnection m_connection;
    QString m_applicationId;
    unsigned m_version = 0;
    PortalRegistration m_registration;
    QDBusServiceWatcher* m_watcher;
    std::vector<Wish> m_wishes;        // the latest asked for
    std::vector<Wish> m_sessionWishes; // those the current session was opened for
    bool m_ready = false;              // the portal has told its name and version
    bool m_mustBind = false;           // bind even what the desktop already holds
    bool m_opening = false;            // the requests of a new session are under way
    unsigned m_generation = 0;         // answers from a portal or session gone are ignored
    QString m_session;
    State m_state = State::unbound;
    Refusal m_refusal = Refusal::none;
    std::vector<Binding> m_bindings;
    std::string m_problem;
    std::string m_unusable;
};

} // namespace monctl
