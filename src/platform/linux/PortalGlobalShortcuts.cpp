#include "platform/linux/PortalGlobalShortcuts.h"

#include "platform/linux/PortalCall.h"
#include "platform/linux/PortalNames.h"
#include "platform/linux/PortalRequest.h"
#include "platform/linux/PortalShortcutList.h"
#include "platform/linux/PortalTrigger.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QtGlobal>
#include <algorithm>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

constexpr const char* noPortal = QT_TRANSLATE_NOOP(
    "monctl::AboutBox", "the desktop offers no portal (org.freedesktop.portal.Desktop)");

// The same at every start: KDE files a person's assignments under the application id followed
// by this token.
constexpr const char* sessionToken = "monctl";

// The portal wants to hear from a session bus connection of our own: its first portal call
// must be the registration, tests start buses of their own, and the process-wide session
// connection keeps the first address it saw. The portal keeps an id per connection, so this
// one registers whatever the Qt: one that registers by itself (6.10 on) does it on its own.
QDBusConnection connectToSessionBus() {
    static int count = 0;
    const QString name = QString("monctl-portal-%1").arg(++count);
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return QDBusConnection::connectToBus(address, name);
}

QDBusMessage shortcutsCall(const char* method) {
    return QDBusMessage::createMethodCall(portal::service, portal::path,
                                          portal::globalShortcutsInterface, method);
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

PortalShortcutList shortcutListOf(const std::vector<DesktopShortcuts::Wish>& wishes) {
    PortalShortcutList shortcuts;
    for (const auto& wish : wishes) {
        QVariantMap properties{{"description", QString::fromStdString(wish.description)}};
        if (wish.preferred)
            properties.insert("preferred_trigger",
                              QString::fromStdString(portalTriggerOf(*wish.preferred)));
        shortcuts.push_back({QString::fromStdString(wish.id), properties});
    }
    return shortcuts;
}

// Descriptions follow the interface language; only the ids and combinations matter to the
// desktop's bindings.
bool sameCombinations(const std::vector<DesktopShortcuts::Wish>& one,
                      const std::vector<DesktopShortcuts::Wish>& other) {
    return std::equal(
        one.begin(), one.end(), other.begin(), other.end(),
        [](const auto& a, const auto& b) { return a.id == b.id && a.preferred == b.preferred; });
}

bool holdsEvery(const std::vector<DesktopShortcuts::Binding>& bindings,
                const std::vector<DesktopShortcuts::Wish>& wishes) {
    return std::all_of(wishes.begin(), wishes.end(), [&](const auto& wish) {
        return std::any_of(bindings.begin(), bindings.end(),
                           [&](const auto& binding) { return binding.id == wish.id; });
    });
}

} // namespace

Opened<PortalGlobalShortcuts> PortalGlobalShortcuts::open(const QString& appId) {
    registerPortalShortcutTypes();
    QDBusConnection connection = connectToSessionBus();
    if (!connection.isConnected()) {
        return Opened<PortalGlobalShortcuts>::missing(QT_TRANSLATE_NOOP(
            "monctl::AboutBox", "there is no session bus to reach the desktop's portal on"));
    }
    // The bus itself knows at once whether a portal runs or would be started for a call.
    const auto* bus = connection.interface();
    if (!bus->isServiceRegistered(portal::service).value() &&
        !bus->activatableServiceNames().value().contains(portal::service)) {
        QDBusConnection::disconnectFromBus(connection.name());
        return Opened<PortalGlobalShortcuts>::missing(noPortal);
    }
    std::unique_ptr<PortalGlobalShortcuts> shortcuts(new PortalGlobalShortcuts(connection, appId));
    shortcuts->greetPortal();
    if (!shortcuts->m_unusable.empty()) {
        return Opened<PortalGlobalShortcuts>::missing(shortcuts->m_unusable);
    }
    return shortcuts;
}

PortalGlobalShortcuts::PortalGlobalShortcuts(const QDBusConnection& connection, QString appId)
    : m_connection(connection), m_applicationId(std::move(appId)),
      m_watcher(new QDBusServiceWatcher(portal::service, m_connection,
                                        QDBusServiceWatcher::WatchForOwnerChange, this)) {
    m_connection.connect(portal::service, portal::path, portal::globalShortcutsInterface,
                         "Activated", this, SLOT(shortcutActivated(QDBusMessage)));
    m_connection.connect(portal::service, portal::path, portal::globalShortcutsInterface,
                         "ShortcutsChanged", this, SLOT(shortcutsChanged(QDBusMessage)));
    // Every session's: the path of the next one is not known yet.
    m_connection.connect(portal::service, QString(), portal::sessionInterface, "Closed", this,
                         SLOT(sessionClosed(QDBusMessage)));
    // A restarted portal knows nothing of us, not even our name.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                forgetPortal();
                if (newOwner.isEmpty())
                    return settle(State::gone, Refusal::none, {}, "the desktop's portal went away");
                greetPortal();
            });
}

PortalGlobalShortcuts::~PortalGlobalShortcuts() {
    closeSession();
    const QString name = m_connection.name();
    m_connection = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(name);
}

std::string PortalGlobalShortcuts::backendName() const {
    if (!m_unusable.empty())
        return "none";
    if (m_version == 0)
        return "GlobalShortcuts portal";
    return "GlobalShortcuts portal, version " + std::to_string(m_version);
}

void PortalGlobalShortcuts::bind(std::vector<Wish> wishes) {
    const bool first = m_wishes.empty();
    const bool same = sameCombinations(wishes, m_wishes);
    m_wishes = std::move(wishes);
    // A portal not yet greeted, or gone, takes them up when it is ready; a session being
    // opened, when it is open. The same combinations again ask nothing, even after a refusal.
    if (!m_ready) {
        if (m_state == State::unbound)
            settle(State::binding, Refusal::none, {}, {});
        return;
    }
    if (m_opening || same)
        return;
    m_mustBind = !first;
    openSession();
}

// The registration must be the connection's first portal call, so the version is read after.
void PortalGlobalShortcuts::greetPortal() {
    m_unusable.clear();
    if (!m_wishes.empty())
        settle(State::binding, Refusal::none, {}, {});
    const unsigned generation = ++m_generation;
    registerWithPortal(m_connection, m_applicationId, this,
                       [this, generation](PortalRegistration registration) {
                           if (generation != m_generation)
                               return;
                           m_registration = std::move(registration);
                           const auto message = m_registration.portalMessage.toStdString();
                           using Outcome = PortalRegistration::Outcome;
                           if (m_registration.outcome == Outcome::noPortal) {
                               spdlog::info("The desktop's portal does not answer: {}", message);
                               return portalUnusable(noPortal);
                           }
                           if (m_registration.outcome == Outcome::refused)
                               spdlog::info("The desktop's portal did not take the application "
                                            "id {}: {}",
                                            m_applicationId.toStdString(), message);
                           readVersion(generation);
                       });
}

void PortalGlobalShortcuts::readVersion(unsigned generation) {
    auto get = QDBusMessage::createMethodCall(portal::service, portal::path,
                                              portal::propertiesInterface, "Get");
    get << QString(portal::globalShortcutsInterface) << QString("version");
    callPortal(m_connection, get, this, [this, generation](const QDBusMessage& reply) {
        if (generation != m_generation)
            return;
        if (reply.type() == QDBusMessage::ErrorMessage)
            return portalUnusable(QT_TRANSLATE_NOOP(
                "monctl::AboutBox", "the desktop's portal has no GlobalShortcuts interface"));
        m_version = qdbus_cast<QDBusVariant>(reply.arguments().value(0)).variant().toUInt();
        if (m_version < 1)
            return portalUnusable(QT_TRANSLATE_NOOP(
                "monctl::AboutBox",
                "the desktop's GlobalShortcuts portal reports no usable version"));
        m_ready = true;
        if (m_wishes.empty())
            return settle(State::unbound, Refusal::none, {}, {});
        m_mustBind = false;
        openSession();
    });
}

void PortalGlobalShortcuts::portalUnusable(const char* reason) {
    m_unusable = reason;
    settle(State::gone, Refusal::none, {}, reason);
}

void PortalGlobalShortcuts::openSession() {
    closeSession();
    m_sessionWishes = m_wishes;
    m_opening = true;
    settle(State::binding, Refusal::none, {}, {});
    createSession(++m_generation);
}

// KDE Plasma 5.27 files shortcuts only from the session's options (its BindShortcuts opens
// System Settings instead); other portals take them from BindShortcuts and ignore the option.
void PortalGlobalShortcuts::createSession(unsigned generation) {
    const QString token = PortalRequest::newToken();
    auto call = shortcutsCall("CreateSession");
    call << QVariantMap{{"handle_token", token},
                        {"session_handle_token", QString(sessionToken)},
                        {"shortcuts", QVariant::fromValue(shortcutListOf(m_sessionWishes))}};
    PortalRequest::start(
        m_connection, call, token,
        [this, generation](std::optional<QVariantMap> results, const QString& problem) {
            if (generation != m_generation)
                return;
            const QString session = results ? pathText(results->value("session_handle")) : "";
            if (session.isEmpty())
                return sessionRefused(problem.isEmpty() ? QString("no session handle") : problem);
            m_session = session;
            listShortcuts(generation, true);
        },
        this);
}

void PortalGlobalShortcuts::listShortcuts(unsigned generation, bool decides) {
    const QString token = PortalRequest::newToken();
    auto call = shortcutsCall("ListShortcuts");
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap{{"handle_token", token}};
    PortalRequest::start(
        m_connection, call, token,
        [this, generation, decides](std::optional<QVariantMap> results, const QString& problem) {
            if (generation != m_generation)
                return;
            auto held = results ? bindingsOf(results->value("shortcuts")) : std::vector<Binding>{};
            if (decides && (m_mustBind || !holdsEvery(held, m_sessionWishes)))
                return bindShortcuts(generation);
            if (!results)
                return finishOpening(State::refused, Refusal::binding, {},
                                     "the desktop did not list the shortcuts: " +
                                         problem.toStdString());
            finishOpening(State::bound, Refusal::none, std::move(held), {});
        },
        this);
}

void PortalGlobalShortcuts::bindShortcuts(unsigned generation) {
    const QString token = PortalRequest::newToken();
    auto call = shortcutsCall("BindShortcuts");
    call << QVariant::fromValue(QDBusObjectPath(m_session))
         << QVariant::fromValue(shortcutListOf(m_sessionWishes)) << QString()
         << QVariantMap{{"handle_token", token}};
    PortalRequest::start(
        m_connection, call, token,
        [this, generation](std::optional<QVariantMap> results, const QString& problem) {
            if (generation != m_generation)
                return;
            m_mustBind = false;
            if (!results)
                return finishOpening(State::refused, Refusal::binding, {},
                                     "the desktop did not bind the shortcuts: " +
                                         problem.toStdString());
            // Some portals leave out what they bound: they are asked.
            if (!results->contains("shortcuts"))
                return listShortcuts(generation, false);
            finishOpening(State::bound, Refusal::none, bindingsOf(results->value("shortcuts")), {});
        },
        this);
}

void PortalGlobalShortcuts::sessionRefused(const QString& problem) {
    std::string text = "the desktop opened no shortcut session: " + problem.toStdString();
    if (m_registration.outcome != PortalRegistration::Outcome::refused)
        return finishOpening(State::refused, Refusal::session, {}, std::move(text));
    text += " (it did not take the application id " + m_applicationId.toStdString() + ": " +
            m_registration.portalMessage.toStdString() + ")";
    finishOpening(State::refused, Refusal::identity, {}, std::move(text));
}

// Combinations changed while the session was being opened are bound in a new one.
void PortalGlobalShortcuts::finishOpening(State state, Refusal refusal,
                                          std::vector<Binding> bindings, std::string problem) {
    m_opening = false;
    settle(state, refusal, std::move(bindings), std::move(problem));
    if (!sameCombinations(m_wishes, m_sessionWishes)) {
        m_mustBind = true;
        openSession();
    }
}

// After a refusal, the person's own request to ask again; else the desktop's dialog.
void PortalGlobalShortcuts::configure() {
    if (m_state == State::refused && m_ready && !m_opening && !m_wishes.empty()) {
        m_mustBind = false;
        return openSession();
    }
    if (!offersConfiguration() || m_state != State::bound || m_session.isEmpty())
        return;
    auto call = shortcutsCall("ConfigureShortcuts");
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString() << QVariantMap();
    callPortal(m_connection, call, this, [](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage)
            spdlog::warn("The desktop did not open its shortcut settings: {}: {}",
                         reply.errorName().toStdString(), reply.errorMessage().toStdString());
    });
}

// Not waited for: the portal takes a connection's calls in order, so a next session of the
// same handle comes after the close, and one that ends with the program is closed by the
// portal when the connection goes.
void PortalGlobalShortcuts::closeSession() {
    if (m_session.isEmpty())
        return;
    m_connection.send(QDBusMessage::createMethodCall(portal::service, m_session,
                                                     portal::sessionInterface, "Close"));
    m_session.clear();
}

void PortalGlobalShortcuts::forgetPortal() {
    ++m_generation;
    m_ready = false;
    m_opening = false;
    m_session.clear();
}

// The desktop ended the session, as it does when its shortcut service restarts: a bound one is
// opened again, binding nothing the desktop still holds. One ended before it was bound is a
// refusal, and one refused already stays so, lest a desktop that ends each session be asked
// without end.
void PortalGlobalShortcuts::sessionClosed(const QDBusMessage& message) {
    if (m_session.isEmpty() || message.path() != m_session)
        return;
    m_session.clear();
    ++m_generation;
    if (m_opening)
        return finishOpening(State::refused, Refusal::session, {},
                             "the desktop closed the shortcut session while it was opened");
    if (m_state != State::bound)
        return;
    spdlog::info("The desktop closed the shortcut session: a new one is opened");
    m_mustBind = false;
    openSession();
}

void PortalGlobalShortcuts::settle(State state, Refusal refusal, std::vector<Binding> bindings,
                                   std::string problem) {
    m_state = state;
    m_refusal = refusal;
    m_bindings = std::move(bindings);
    m_problem = std::move(problem);
    // Before any shortcut is asked for (a report that only asks what the portal offers), a
    // problem concerns no one yet.
    if (!m_problem.empty() && !m_wishes.empty())
        spdlog::warn("Shortcuts work only while monctl is in front: {}", m_problem);
    for (const auto& binding : m_bindings)
        spdlog::info("The desktop binds {} to \"{}\"", binding.id, binding.trigger);
    changed.notify();
}

// Only the shortcuts this session asked for act: other ids, and their releases, do nothing.
void PortalGlobalShortcuts::shortcutActivated(const QDBusMessage& message) {
    const auto arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || pathText(arguments[0]) != m_session)
        return;
    const auto id = arguments[1].toString().toStdString();
    if (std::any_of(m_sessionWishes.begin(), m_sessionWishes.end(),
                    [&](const Wish& wish) { return wish.id == id; }))
        activated.notify(id);
}

void PortalGlobalShortcuts::shortcutsChanged(const QDBusMessage& message) {
    const auto arguments = message.arguments();
    if (arguments.size() < 2 || m_state != State::bound || pathText(arguments[0]) != m_session)
        return;
    settle(State::bound, Refusal::none, bindingsOf(arguments[1]), {});
}

} // namespace monctl
