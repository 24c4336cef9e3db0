#include "platform/linux/KWinFrontApplication.h"

#include "runtime/MainQueue.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QTemporaryFile>
#include <QTimer>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString scriptingPath = QStringLiteral("/Scripting");
const QString scriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
constexpr std::chrono::milliseconds loadRetryWait{250};
constexpr int mostLoadTries = 40;
// How long the end of the program waits for KWin to unload the script.
constexpr int exitWaitMs = 500;

QDBusMessage scriptingCall(const QString& method, const QVariantList& arguments = {}) {
    auto call =
        QDBusMessage::createMethodCall(kwinService, scriptingPath, scriptingInterface, method);
    call.setArguments(arguments);
    return call;
}

} // namespace

// KWin 6 names the signal windowActivated and the window activeWindow; 5.27 clientActivated
// and activeClient.
QString KWinFrontApplication::script(const QString& service) {
    return QStringLiteral(R"(// Tells monctl which application's window is in front.
function report(window) {
    callDBus("%1", "%2", "org.monctl.Monctl1.FrontWindow", "Activated",
             window ? String(window.resourceClass) : "", window ? String(window.resourceName) : "");
}
if (workspace.windowActivated !== undefined) {
    workspace.windowActivated.connect(report);
    report(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(report);
    report(workspace.activeClient);
}
)")
        .arg(service, QString::fromLatin1(scriptObjectPath));
}

// A connection of its own, which the script calls by its unique name: the process-wide
// session connection keeps the first address it saw, and tests start buses of their own.
Opened<KWinFrontApplication> KWinFrontApplication::open() {
    static int count = 0;
    const QString name = QStringLiteral("monctl-front-window-%1").arg(++count);
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    auto bus = address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                 : QDBusConnection::connectToBus(address, name);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kwinService)) {
        QDBusConnection::disconnectFromBus(name);
        return Opened<KWinFrontApplication>::missing(
            QT_TRANSLATE_NOOP("monctl::AboutBox", "no KWin answers on the session bus"));
    }
    return std::unique_ptr<KWinFrontApplication>(new KWinFrontApplication(bus));
}

KWinFrontApplication::KWinFrontApplication(const QDBusConnection& connection)
    : m_connection(connection),
      m_kwinWatcher(new QDBusServiceWatcher(kwinService, m_connection,
                                            QDBusServiceWatcher::WatchForRegistration, this)) {
    connect(m_kwinWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (m_watching)
            loadScript();
    });
}

KWinFrontApplication::~KWinFrontApplication() {
    if (m_watching)
        unloadScript(true);
    QDBusConnection::disconnectFromBus(m_connection.name());
}

void KWinFrontApplication::start() {
    assertMainThread();
    if (m_watching)
        return;
    if (!m_connection.registerObject(QString::fromLatin1(scriptObjectPath), this,
                                     QDBusConnection::ExportScriptableSlots)) {
        spdlog::warn("The window in front cannot be watched: {} is taken on the session bus",
                     scriptObjectPath);
        return;
    }
    m_watching = true;
    m_front = {};
    m_loadTries = 0;
    loadScript();
}

void KWinFrontApplication::stop() {
    if (!m_watching)
        return;
    m_watching = false;
    unloadScript(false);
    m_connection.unregisterObject(QString::fromLatin1(scriptObjectPath));
}

// One left by a run that ended without unloading it is replaced; the calls are answered in the
// order they were sent. KWin takes its name on the bus before it serves its scripting: a load
// it cannot take yet is tried again a moment later, for a while.
void KWinFrontApplication::loadScript() {
    m_scriptFile = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/monctl-XXXXXX.js");
    if (!m_scriptFile->open() ||
        m_scriptFile->write(script(m_connection.baseService()).toUtf8()) < 0 ||
        !m_scriptFile->flush()) {
        spdlog::warn("The KWin script cannot be written to {}",
                     m_scriptFile->fileName().toStdString());
        return;
    }
    const QString name = QString::fromLatin1(scriptName);
    m_connection.call(scriptingCall("unloadScript", {name}), QDBus::NoBlock);
    auto* loaded = new QDBusPendingCallWatcher(
        m_connection.asyncCall(scriptingCall("loadScript", {m_scriptFile->fileName(), name})),
        this);
    connect(loaded, &QDBusPendingCallWatcher::finished, this,
            [this, attempt = ++m_loadAttempt](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<int> reply = *done;
                if (!m_watching || attempt != m_loadAttempt)
                    return;
                if (!reply.isError() && reply.value() >= 0) {
                    m_loadTries = 0;
                    m_connection.call(scriptingCall("start"), QDBus::NoBlock);
                    return;
                }
                if (reply.isError() && reply.error().type() == QDBusError::UnknownObject &&
                    ++m_loadTries < mostLoadTries) {
                    QTimer::singleShot(loadRetryWait, this, [this] {
                        if (m_watching)
                            loadScript();
                    });
                    return;
                }
                spdlog::warn("KWin did not load the script that tells the window in front: {}",
                             reply.isError() ? reply.error().message().toStdString()
                                             : std::string("it refused it"));
            });
}

// At the end of the program the call is waited for, briefly: a message only queued would be
// lost with the connection.
void KWinFrontApplication::unloadScript(bool waits) {
    const auto call = scriptingCall("unloadScript", {QString::fromLatin1(scriptName)});
    if (waits)
        m_connection.call(call, QDBus::Block, exitWaitMs);
    else
        m_connection.call(call, QDBus::NoBlock);
    m_scriptFile.reset();
}

void KWinFrontApplication::Activated(const QString& resourceClass, const QString& resourceName) {
    if (!m_watching)
        return;
    const FrontWindow front{resourceClass.toStdString(), resourceName.toStdString()};
    if (front == m_front)
        return;
    m_front = front;
    changed.notify(front);
}

} // namespace monctl
