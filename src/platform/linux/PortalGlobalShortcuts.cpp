#include "platform/linux/PortalGlobalShortcuts.h"

#include "platform/linux/PortalNames.h"
#include "platform/linux/PortalRequest.h"
#include "platform/linux/PortalShortcutList.h"
#include "platform/linux/PortalTrigger.h"

#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

// The portal wants to hear from a session bus connection of our own: tests start buses of
// their own, and the process-wide session connection keeps the first address it saw.
QDBusConnection connectToSessionBus() {
    static int count = 0;
    const QString name = QString("monctl-portal-%1").arg(++count);
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return QDBusConnection::connectToBus(address, name);
}

QDBusMessage portalCall(const char* interface, const char* method) {
    return QDBusMessage::createMethodCall(portal::service, portal::path, interface, method);
}

// A session handle comes as an object path from some portals and as a string from others.
QString pathText(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

std::vector<DesktopShortcuts::Binding> bindingsOf(const QVariant& shortcuts) {
    std::vector<DesktopShortcuts::Binding> bindings;
    for (const auto& shortcut : qdbus_cast<PortalShortcutList>(shortcuts))
        bindings.push_back(
            {shortcut.id.toStdString(),
             shortcut.properties.value("trigger_description").toString().toStdString()});
    return bindings;
}

} // namespace

std::unique_ptr<PortalGlobalShortcuts> PortalGlobalShortcuts::open(std::string& whyNot) {
    registerPortalShortcutTypes();
    QDBusConnection connection = connectToSessionBus();
    if (!connection.isConnected()) {
        whyNot = "there is no session bus to reach the desktop's portal on";
        return nullptr;
    }
    auto get = QDBusMessage::createMethodCall(portal::service, portal::path,
                                              "org.freedesktop.DBus.Properties", "Get");
    get << QString(portal::globalShortcutsInterface) << QString("version");
    // The portal may be started on this first call: it is given a few seconds.
    const QDBusReply<QDBusVariant> version = connection.call(get, QDBus::Block, 5000);
    if (!version.isValid()) {
        const auto error = version.error().type();
        whyNot = error == QDBusError::ServiceUnknown
                     ? "the desktop offers no portal (org.freedesktop.portal.Desktop)"
                     : "the desktop's portal has no GlobalShortcuts interface";
        QDBusConnection::disconnectFromBus(connection.name());
        return nullptr;
    }
    const unsigned number = version.value().variant().toUInt();
    if (number < 1) {
        whyNot = "the desktop's GlobalShortcuts portal reports no usable version";
        QDBusConnection::disconnectFromBus(connection.name());
        return nullptr;
    }
    return std::unique_ptr<PortalGlobalShortcuts>(new PortalGlobalShortcuts(connection, number));
}

PortalGlobalShortcuts::PortalGlobalShortcuts(const QDBusConnection& connection, unsigned version)
    : m_connection(connection), m_version(version),
      m_watcher(new QDBusServiceWatcher(portal::service, m_connection,
                                        QDBusServiceWatcher::WatchForOwnerChange, this)) {
    m_connection.connect(portal::service, portal::path, portal::globalShortcutsInterface,
                         "Activated", this, SLOT(shortcutActivated(QDBusMessage)));
    m_connection.connect(portal::service, portal::path, portal::globalShortcutsInterface,
                         "ShortcutsChanged", this, SLOT(shortcutsChanged(QDBusMessage)));
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty())
                    portalGone();
                else if (!m_wishes.empty())
                    bind(m_wishes); // a restarted portal knows nothing of us
            });
}

PortalGlobalShortcuts::~PortalGlobalShortcuts() {
    closeSession();
    const QString name = m_connection.name();
    m_connection = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(name);
}

std::string PortalGlobalShortcuts::backendName() const {
    return "GlobalShortcuts portal, version " + std::to_string(m_version);
}

void PortalGlobalShortcuts::bind(std::vector<Wish> wishes) {
    m_wishes = std::move(wishes);
    closeSession();
    settle(State::binding, {}, {});
    createSession(++m_generation);
}

void PortalGlobalShortcuts::createSession(unsigned generation) {
    const QString token = PortalRequest::newToken();
    auto call = portalCall(portal::globalShortcutsInterface, "CreateSession");
    call << QVariantMap{{"handle_token", token}, {"session_handle_token", token}};
    PortalRequest::start(
        m_connection, call, token,
        [this, generation](std::optional<QVariantMap> results, const QString& problem) {
            const QString session = results ? pathText(results->value("session_handle")) : "";
            if (generation != m_generation) {
                if (!session.isEmpty())
                    m_connection.send(QDBusMessage::createMethodCall(
                        portal::service, session, portal::sessionInterface, "Close"));
                return;
            }
            if (session.isEmpty())
                return settle(
                    State::refused, {},
                    "the desktop opened no shortcut session: " +
                        (problem.isEmpty() ? QString("no session handle") : problem).toStdString());
            m_session = session;
            bindShortcuts(generation);
        },
        this);
}

void PortalGlobalShortcuts::bindShortcuts(unsigned generation) {
    PortalShortcutList shortcuts;
    for (const auto& wish : m_wishes) {
        QVariantMap properties{{"description", QString::fromStdString(wish.description)}};
        if (wish.preferred)
            properties.insert("preferred_trigger",
                              QString::fromStdString(portalTriggerOf(*wish.preferred)));
        shortcuts.push_back({QString::fromStdString(wish.id), properties});
    }
    const QString token = PortalRequest::newToken();
    auto call = portalCall(portal::globalShortcutsInterface, "BindShortcuts");
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{"handle_token", token}};
    PortalRequest::start(
        m_connection, call, token,
        [this, generation](std::optional<QVariantMap> results, const QString& problem) {
            if (generation != m_generation)
                return;
            if (!results)
                return settle(State::refused, {},
                              "the desktop did not bind the shortcuts: " + problem.toStdString());
            if (results->contains("shortcuts"))
                return settle(State::bound, bindingsOf(results->value("shortcuts")), {});
            listShortcuts(generation);
        },
        this);
}

// For portals whose answer to the bind does not say what they bound.
void PortalGlobalShortcuts::listShortcuts(unsigned generation) {
    const QString token = PortalRequest::newToken();
    auto call = portalCall(portal::globalShortcutsInterface, "ListShortcuts");
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap{{"handle_token", token}};
    PortalRequest::start(
        m_connection, call, token,
        [this, generation](std::optional<QVariantMap> results, const QString& problem) {
            if (generation != m_generation)
                return;
            if (!results)
                return settle(State::refused, {},
                              "the desktop did not list the shortcuts: " + problem.toStdString());
            settle(State::bound, bindingsOf(results->value("shortcuts")), {});
        },
        this);
}

// Waits for the portal's answer (a second at most): at exit, nothing else would send it.
void PortalGlobalShortcuts::closeSession() {
    if (m_session.isEmpty())
        return;
    m_connection.call(QDBusMessage::createMethodCall(portal::service, m_session,
                                                     portal::sessionInterface, "Close"),
                      QDBus::Block, 1000);
    m_session.clear();
}

void PortalGlobalShortcuts::portalGone() {
    ++m_generation;
    m_session.clear();
    settle(State::gone, {}, "the desktop's portal went away");
}

void PortalGlobalShortcuts::settle(State state, std::vector<Binding> bindings,
                                   std::string problem) {
    m_state = state;
    m_bindings = std::move(bindings);
    m_problem = std::move(problem);
    if (!m_problem.empty())
        spdlog::warn("Shortcuts work only while monctl is in front: {}", m_problem);
    changed.notify();
}

void PortalGlobalShortcuts::shortcutActivated(const QDBusMessage& message) {
    const auto arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || pathText(arguments[0]) != m_session)
        return;
    activated.notify(arguments[1].toString().toStdString());
}

void PortalGlobalShortcuts::shortcutsChanged(const QDBusMessage& message) {
    const auto arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || pathText(arguments[0]) != m_session)
        return;
    settle(State::bound, bindingsOf(arguments[1]), {});
}

} // namespace monctl
