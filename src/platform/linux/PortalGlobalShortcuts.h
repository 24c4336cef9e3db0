#pragma once

#include "shortcut/DesktopShortcuts.h"

#include <QDBusConnection>
#include <QObject>
#include <memory>

class QDBusMessage;
class QDBusServiceWatcher;

namespace monctl {

// The desktop's GlobalShortcuts portal on the session bus, through Qt D-Bus. Each bind()
// opens a session of its own (a session binds once) and closes the one before; the last one
// is closed at destruction. Main thread only, on the Qt main loop.
class PortalGlobalShortcuts final : public QObject, public DesktopShortcuts {
    Q_OBJECT

public:
    // None when the session bus has no portal, or a portal without the interface; the reason
    // is then set.
    static std::unique_ptr<PortalGlobalShortcuts> open(std::string& whyNot);
    ~PortalGlobalShortcuts() override;

    void bind(std::vector<Wish> wishes) override;
    State state() const override { return m_state; }
    std::vector<Binding> bindings() const override { return m_bindings; }
    std::string problem() const override { return m_problem; }
    std::string backendName() const override;

private slots:
    void shortcutActivated(const QDBusMessage& message);
    void shortcutsChanged(const QDBusMessage& message);

private:
    PortalGlobalShortcuts(const QDBusConnection& connection, unsigned version);
    void createSession(unsigned generation);
    void bindShortcuts(unsigned generation);
    void listShortcuts(unsigned generation);
    void closeSession();
    void portalGone();
    void settle(State state, std::vector<Binding> bindings, std::string problem);

    QDBusConnection m_connection;
    unsigned m_version;
    QDBusServiceWatcher* m_watcher;
    std::vector<Wish> m_wishes;
    unsigned m_generation = 0; // answers to an earlier bind() are ignored
    QString m_session;
    State m_state = State::unbound;
    std::vector<Binding> m_bindings;
    std::string m_problem;
};

} // namespace monctl
