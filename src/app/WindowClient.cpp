#include "app/WindowClient.h"

#include "app/BusInterface.h"
#include "app/ReadBackOutput.h"
#include "app/WindowInstance.h"
#include "monitor/Setting.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace monctl {
namespace {

// How long a window that owns its name may take to serve its object (it loads its desktop
// backends in between).
constexpr auto startingWindowWait = std::chrono::seconds(6);

volatile std::sig_atomic_t interrupted = 0;
int interruptPipe[2] = {-1, -1};

void onInterrupt(int) {
    interrupted = 1;
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

// From the first moment of a watch, as when the command line opens the ports itself.
void catchInterrupts() {
    if (::pipe(interruptPipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

std::string canonical(const QString& path) {
    std::error_code error;
    const auto resolved = std::filesystem::canonical(path.toStdString(), error);
    return error ? path.toStdString() : resolved.string();
}

// Talks to the window for one request. Main thread only.
class WindowClient final : public QObject {
    Q_OBJECT

public:
    WindowClient(const CliRequest& request, QDBusConnection bus)
        : m_request(request), m_bus(std::move(bus)) {}

    std::optional<int> run() {
        auto monitors = listMonitors();
        if (!monitors)
            return std::nullopt;
        if (monitors->isEmpty()) {
            waitForSignal("MonitorsChanged", m_request.timeout);
            monitors = listMonitors();
            if (!monitors)
                return std::nullopt;
        }
        const auto chosen = namedAmong(*monitors);
        if (!chosen)
            return std::nullopt;
        spdlog::info("Talking to the running window");
        if (chosen->isEmpty()) {
            fmt::print(stderr, "monctl: no monitor found\n");
            return 1;
        }
        if (m_request.action == CliRequest::Action::list) {
            for (const auto& monitor : *chosen)
                fmt::print("{} {}\n", monitor.name.toStdString(), monitor.path.toStdString());
            return 0;
        }
        m_chosen = *chosen;
        return act();
    }

public slots:
    void settingReported(const QString& path, const QString& setting, int value) {
        if (watched(path))
            printEvent(settingText(*settingNamed(setting.toStdString()), value));
    }
    void buttonEvent(const QString& path, const QString& event) {
        if (watched(path))
            printEvent(event.toStdString());
    }

private:
    // A window that has just started owns its name a moment before it serves its object.
    std::optional<bus::MonitorEntries> listMonitors() {
        QDBusReply<bus::MonitorEntries> reply = call("ListMonitors", {});
        const auto deadline = std::chrono::steady_clock::now() + startingWindowWait;
        while (!reply.isValid() && std::chrono::steady_clock::now() < deadline &&
               (reply.error().type() == QDBusError::UnknownObject ||
                reply.error().type() == QDBusError::UnknownInterface ||
                reply.error().type() == QDBusError::UnknownMethod)) {
            waitForSignal("MonitorsChanged", std::chrono::milliseconds(100));
            reply = call("ListMonitors", {});
        }
        if (!reply.isValid()) {
            spdlog::info("The window does not list its monitors: {}",
                         reply.error().message().toStdString());
            return std::nullopt;
        }
        return reply.value();
    }

    // The window's monitors among the devices named with --port (all when none is named);
    // none when the window lacks one of them.
    std::optional<bus::MonitorEntries> namedAmong(const bus::MonitorEntries& monitors) const {
        if (m_request.ports.empty())
            return monitors;
        bus::MonitorEntries named;
        for (const auto& path : m_request.ports) {
            const auto target = canonical(QString::fromStdString(path));
            const auto found = std::find_if(monitors.begin(), monitors.end(), [&](const auto& m) {
                return canonical(m.path) == target;
            });
            if (found == monitors.end()) {
                spdlog::info("The window has no monitor at {}", path);
                return std::nullopt;
            }
            named.append(*found);
        }
        return named;
    }

    // The monitor a command goes to: the window's active one, unless --port names others
    // (then the active one when it is among them, else the first named).
    QString target() const {
        if (m_request.ports.empty())
            return {};
        const auto active =
            std::find_if(m_chosen.begin(), m_chosen.end(), [](const auto& m) { return m.active; });
        return (active == m_chosen.end() ? m_chosen.front() : *active).path;
    }

    // Only the events of the monitors named, when some are.
    bool watched(const QString& path) const {
        return m_request.ports.empty() ||
               std::any_of(m_chosen.begin(), m_chosen.end(),
                           [&](const auto& monitor) { return monitor.path == path; });
    }

    // The monitors a command goes to: each with --all, else one.
    std::vector<QString> targets() const {
        if (!m_request.all)
            return {target()};
        std::vector<QString> paths;
        for (const auto& monitor : m_chosen)
            paths.push_back(monitor.path);
        return paths;
    }

    int act() {
        switch (m_request.action) {
        case CliRequest::Action::get:
            return get();
        case CliRequest::Action::set:
            return each("Set", {QString::fromStdString(m_request.parameter), m_request.value});
        case CliRequest::Action::refresh:
            return each("FastRefresh", {});
        case CliRequest::Action::syncTime:
            return each("SyncTime", {});
        case CliRequest::Action::watch:
            return watch();
        default:
            return 0;
        }
    }

    // Calls the method for each target monitor, its path first; 1 when one failed.
    int each(const char* method, const QVariantList& arguments) {
        int worst = 0;
        for (const auto& path : targets())
            worst = std::max(worst, status(path, call(method, QVariantList{path} + arguments)));
        return worst;
    }

    int get() {
        std::vector<std::string> paths;
        for (const auto& path : targets())
            paths.push_back(path.toStdString());
        return printReadBacks(paths, settingsAskedFor(m_request.parameter), m_request.all,
                              [&](const std::string& path, Setting setting) -> std::optional<int> {
                                  const auto device = QString::fromStdString(path);
                                  const QDBusReply<int> reply =
                                      call("Get", {device,
                                                   QString::fromLatin1(settingName(setting).data()),
                                                   static_cast<uint>(m_request.timeout.count())});
                                  if (reply.isValid())
                                      return reply.value();
                                  status(device, reply.error());
                                  return std::nullopt;
                              });
    }

    int watch() {
        for (const auto& [member, slot] :
             {std::pair("SettingReported", SLOT(settingReported(QString, QString, int))),
              std::pair("ButtonEvent", SLOT(buttonEvent(QString, QString)))})
            m_bus.connect(bus::serviceName, bus::objectPath, bus::interfaceName, member, this,
                          slot);
        QEventLoop watching;
        QDBusServiceWatcher gone(bus::serviceName, m_bus,
                                 QDBusServiceWatcher::WatchForUnregistration);
        connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &watching, &QEventLoop::quit);
        QSocketNotifier interrupt(interruptPipe[0], QSocketNotifier::Read);
        connect(&interrupt, &QSocketNotifier::activated, &watching, &QEventLoop::quit);
        // The window may have gone between the listing and the watch; only its going (or an
        // interrupt) ends the watch.
        if (!interrupted && m_bus.interface()->isServiceRegistered(bus::serviceName))
            watching.exec();
        if (interrupted)
            return 0;
        spdlog::info("The window closed; watching the ports directly");
        return fallBack;
    }

    // Waits for the signal or the time-out, whichever comes first; nothing of the wait is
    // left behind to end a later one.
    void waitForSignal(const char* member, std::chrono::milliseconds timeout) {
        QEventLoop waiting;
        m_bus.connect(bus::serviceName, bus::objectPath, bus::interfaceName, member, &waiting,
                      SLOT(quit()));
        QTimer::singleShot(timeout, &waiting, &QEventLoop::quit);
        waiting.exec();
        m_bus.disconnect(bus::serviceName, bus::objectPath, bus::interfaceName, member, &waiting,
                         SLOT(quit()));
    }

    void printEvent(const std::string& text) {
        fmt::print("{}\n", text);
        std::fflush(stdout);
    }

    QDBusMessage call(const char* method, const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                      bus::interfaceName, method);
        message.setArguments(arguments);
        // The window answers once its pacing let the frame out, or the read-back's time is up.
        const auto limit = m_request.timeout + std::chrono::seconds(10);
        return m_bus.call(message, QDBus::Block, static_cast<int>(limit.count()));
    }

    int status(const QString& path, const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ErrorMessage)
            return 0;
        return status(path, QDBusError(reply));
    }

    // A monitor listed a moment ago that the window no longer knows went away meanwhile.
    int status(const QString& path, const QDBusError& error) {
        if (error.name() == bus::unknownMonitorError && !path.isEmpty()) {
            fmt::print(stderr, "monctl: {}: the device went away\n", path.toStdString());
            return 1;
        }
        const auto ours = error.name().startsWith(bus::interfaceName + ".Error.");
        fmt::print(stderr, "monctl: {}{}\n",
                   ours ? "" : "the window did not answer: ", error.message().toStdString());
        return 1;
    }

public:
    static constexpr int fallBack = -1;

private:
    CliRequest m_request;
    QDBusConnection m_bus;
    bus::MonitorEntries m_chosen; // the window's monitors the request is for
};

} // namespace

std::optional<int> runThroughWindow(const CliRequest& request, int& argc, char** argv) {
    if (request.simulate || !sessionBusConfigured())
        return std::nullopt;
    if (request.action == CliRequest::Action::watch)
        catchInterrupts();
    std::optional<int> status;
    {
        QCoreApplication application(argc, argv);
        auto bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || !bus.interface()->isServiceRegistered(bus::serviceName))
            return std::nullopt;
        bus::registerTypes();
        status = WindowClient(request, bus).run();
    }
    if (status == WindowClient::fallBack)
        return interrupted ? std::optional(0) : std::nullopt;
    return status;
}

} // namespace monctl

#include "WindowClient.moc"
