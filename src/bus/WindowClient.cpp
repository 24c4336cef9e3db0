#include "bus/WindowClient.h"

#include "bus/BusInterface.h"
#include "bus/WindowInstance.h"
#include "cli/DirectWatch.h"
#include "cli/Interrupts.h"
#include "cli/MonitorListing.h"
#include "cli/ReadBackOutput.h"
#include "monitor/Setting.h"
#include "platform/SessionServers.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <filesystem>
#include <fmt/format.h>
#include <memory>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

// How long the holder of the window's name may take to answer as monctl.
constexpr std::chrono::seconds answerLimit{1};
// How long the bus itself may take: Qt would wait for it without a deadline of ours.
constexpr std::chrono::milliseconds busAnswerLimit{1500};

std::string canonical(const QString& path) {
    std::error_code error;
    const auto resolved = std::filesystem::canonical(path.toStdString(), error);
    return error ? path.toStdString() : resolved.string();
}

// Qt's own remarks (a D-Bus message still arriving while the program ends, say) are no result
// of the command: they go to the log, which -v shows, and standard error keeps monctl's own
// lines for scripts to read.
void logQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    const auto level = type == QtFatalMsg ? spdlog::level::critical : spdlog::level::debug;
    spdlog::log(level, "Qt: {}", text.toStdString());
}

// Talks to the window for one request. Main thread only.
class WindowClient final : public QObject {
    Q_OBJECT

public:
    WindowClient(const CliRequest& request, QDBusConnection bus)
        : m_request(request), m_bus(std::move(bus)) {}

    WindowOutcome run() {
        auto monitors = listMonitors();
        if (monitors && monitors->isEmpty()) {
            waitForSignal("MonitorsChanged", m_request.timeout);
            monitors = listMonitors();
        }
        if (!monitors)
            return {};
        std::vector<std::string> leftOver;
        m_chosen = namedAmong(*monitors, leftOver);
        if (!m_request.ports.empty() && m_chosen.isEmpty())
            return {};
        spdlog::info("Talking to the running window");
        if (m_chosen.isEmpty()) {
            fmt::print(stderr, "monctl: no monitor found\n");
            return {1, {}};
        }
        if (!m_request.serial.empty() && !chooseBySerial()) {
            fmt::print(stderr, "monctl: no monitor with serial number {}\n", m_request.serial);
            return {1, {}};
        }
        switch (m_request.action) {
        case CliRequest::Action::list:
            printMonitorList(listed(), m_request.json);
            return {0, leftOver};
        case CliRequest::Action::watch:
            return watch(leftOver);
        default:
            // One monitor is the window's own; with --all, the others too.
            return {act(), m_request.all ? leftOver : std::vector<std::string>{}};
        }
    }

public slots:
    void settingReported(const QString& path, const QString& setting, int value) {
        if (const auto named = settingNamed(setting.toStdString()); named && watched(path))
            printLine(settingText(*named, value));
    }
    void buttonEvent(const QString& path, const QString& event) {
        if (watched(path))
            printLine(event.toStdString());
    }

private:
    // None when the holder of the name does not answer as monctl in time (said so), or an
    // interrupt came first.
    std::optional<bus::MonitorEntries> listMonitors() {
        QDBusPendingCallWatcher listing(m_bus.asyncCall(
            message("ListMonitors", {}), static_cast<int>(answerLimit.count() * 1000)));
        QEventLoop waiting;
        connect(&listing, &QDBusPendingCallWatcher::finished, &waiting, &QEventLoop::quit);
        waitInterruptibly(waiting);
        if (interruptRequested())
            return std::nullopt;
        const QDBusReply<bus::MonitorEntries> reply = listing;
        if (reply.isValid())
            return reply.value();
        spdlog::warn("{} is held by a program that does not answer as monctl ({}); opening the "
                     "ports directly",
                     bus::serviceName.toStdString(), reply.error().message().toStdString());
        return std::nullopt;
    }

    // The window's monitors among the devices named with --port (all when none is named);
    // the devices it lacks go to `leftOver`.
    bus::MonitorEntries namedAmong(const bus::MonitorEntries& monitors,
                                   std::vector<std::string>& leftOver) const {
        if (m_request.ports.empty())
            return monitors;
        bus::MonitorEntries named;
        for (const auto& path : m_request.ports) {
            const auto target = canonical(QString::fromStdString(path));
            const auto found = std::find_if(monitors.begin(), monitors.end(), [&](const auto& m) {
                return canonical(m.path) == target;
            });
            if (found != monitors.end())
                named.append(*found);
            else
                leftOver.push_back(path);
        }
        return named;
    }

    // The chosen monitors with their USB adapters, as the window tells them.
    std::vector<ListedMonitor> listed() {
        const QDBusReply<bus::AdapterEntries> adapters = call("ListAdapters", {});
        std::vector<ListedMonitor> listed;
        for (const auto& monitor : m_chosen) {
            ListedMonitor entry{monitor.name.toStdString(), monitor.path.toStdString(), {}};
            for (const auto& adapter : adapters.value()) {
                if (adapter.path == monitor.path)
                    entry.adapter =
                        UsbAdapter{adapter.vendor.toStdString(), adapter.product.toStdString(),
                                   adapter.serial.toStdString()};
            }
            listed.push_back(std::move(entry));
        }
        return listed;
    }

    // Keeps the monitor whose adapter has the serial number asked for; false when none has.
    bool chooseBySerial() {
        const auto chosen = monitorWithSerial(listed(), m_request.serial);
        if (!chosen)
            return false;
        m_chosen.removeIf(
            [&](const auto& monitor) { return monitor.path.toStdString() != chosen->path; });
        return true;
    }

    // The monitors a command goes to: with --all each, else the window's active one, unless
    // --port or --monitor names others (then the active one when it is among them, else the
    // first named).
    std::vector<QString> targets() const {
        if (m_request.all) {
            std::vector<QString> paths(static_cast<std::size_t>(m_chosen.size()));
            std::transform(m_chosen.begin(), m_chosen.end(), paths.begin(),
                           [](const auto& monitor) { return monitor.path; });
            return paths;
        }
        if (m_request.ports.empty() && m_request.serial.empty())
            return {QString()};
        const auto active =
            std::find_if(m_chosen.begin(), m_chosen.end(), [](const auto& m) { return m.active; });
        return {(active == m_chosen.end() ? m_chosen.front() : *active).path};
    }

    // Only the events of the monitors named, when some are.
    bool watched(const QString& path) const {
        return m_request.ports.empty() ||
               std::any_of(m_chosen.begin(), m_chosen.end(),
                           [&](const auto& monitor) { return monitor.path == path; });
    }

    int act() {
        switch (m_request.action) {
        case CliRequest::Action::get:
            return get();
        case CliRequest::Action::set:
            return set();
        case CliRequest::Action::presetApply:
            return each("ApplyPreset", {QString::fromStdString(m_request.preset)});
        case CliRequest::Action::presetSave:
            return each("SavePreset", {QString::fromStdString(m_request.preset)});
        case CliRequest::Action::refresh:
            return each("FastRefresh", {});
        case CliRequest::Action::syncTime:
            return each("SyncTime", {});
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

    // A change of contrast is the window's to count, from what it holds for each monitor.
    int set() {
        if (m_request.relative)
            return each("ChangeContrast", {m_request.value});
        int worst = 0;
        for (const auto& path : targets()) {
            const auto value = valueToSet(m_request, path.toStdString(), readBack());
            worst = std::max(
                worst,
                value ? status(path, call("Set", {path, QString::fromStdString(m_request.parameter),
                                                  *value}))
                      : 1);
        }
        return worst;
    }

    int get() {
        const auto devices = targets();
        std::vector<std::string> paths(devices.size());
        std::transform(devices.begin(), devices.end(), paths.begin(),
                       [](const QString& path) { return path.toStdString(); });
        return printReadBacks(paths, settingsAskedFor(m_request.parameter), m_request.all,
                              m_request.json, readBack());
    }

    ReadBack readBack() {
        return [this](const std::string& path, Setting setting) -> std::optional<int> {
            const auto device = QString::fromStdString(path);
            const QDBusReply<int> reply =
                call("Get", {device, QString::fromLatin1(settingName(setting).data()),
                             static_cast<uint>(m_request.timeout.count())});
            if (reply.isValid())
                return reply.value();
            status(device, reply.error());
            return std::nullopt;
        };
    }

    // Until interrupted, or the window goes: then the command line watches every device
    // itself.
    WindowOutcome watch(const std::vector<std::string>& leftOver) {
        std::unique_ptr<DirectWatch> beside;
        if (!leftOver.empty())
            beside = std::make_unique<DirectWatch>(m_request, leftOver);
        for (const auto& [member, slot] :
             {std::pair("SettingReported", SLOT(settingReported(QString, QString, int))),
              std::pair("ButtonEvent", SLOT(buttonEvent(QString, QString)))})
            m_bus.connect(bus::serviceName, bus::objectPath, bus::interfaceName, member, this,
                          slot);
        QEventLoop watching;
        QDBusServiceWatcher gone(bus::serviceName, m_bus,
                                 QDBusServiceWatcher::WatchForUnregistration);
        connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &watching, &QEventLoop::quit);
        // The window may have gone between the listing and the watch.
        if (m_bus.interface()->isServiceRegistered(bus::serviceName))
            waitInterruptibly(watching);
        if (interruptRequested())
            return {0, {}};
        spdlog::info("The window closed; watching the ports directly");
        return {};
    }

    // Runs the loop until it quits or an interrupt comes.
    static void waitInterruptibly(QEventLoop& loop) {
        if (interruptRequested())
            return;
        std::unique_ptr<QSocketNotifier> interrupt;
        if (interruptDescriptor() >= 0) {
            interrupt =
                std::make_unique<QSocketNotifier>(interruptDescriptor(), QSocketNotifier::Read);
            connect(interrupt.get(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        }
        loop.exec();
    }

    // Waits for the signal or the time-out, whichever comes first; nothing of the wait is
    // left behind to end a later one.
    void waitForSignal(const char* member, std::chrono::milliseconds timeout) {
        QEventLoop waiting;
        m_bus.connect(bus::serviceName, bus::objectPath, bus::interfaceName, member, &waiting,
                      SLOT(quit()));
        QTimer::singleShot(timeout, &waiting, &QEventLoop::quit);
        waitInterruptibly(waiting);
        m_bus.disconnect(bus::serviceName, bus::objectPath, bus::interfaceName, member, &waiting,
                         SLOT(quit()));
    }

    static QDBusMessage message(const char* method, const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                      bus::interfaceName, method);
        message.setArguments(arguments);
        return message;
    }

    QDBusMessage call(const char* method, const QVariantList& arguments) {
        // The window answers once its pacing let the frame out, or the read-back's time is up.
        const auto limit = m_request.timeout + std::chrono::seconds(10);
        return m_bus.call(message(method, arguments), QDBus::Block,
                          static_cast<int>(limit.count()));
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
        // As the command line refuses a preset it does not find.
        return error.name() == bus::unknownPresetError ? 2 : 1;
    }

    CliRequest m_request;
    QDBusConnection m_bus;
    bus::MonitorEntries m_chosen; // the window's monitors the request is for
};

} // namespace

WindowOutcome runThroughWindow(const CliRequest& request, int& argc, char** argv) {
    if (request.simulate || !sessionBusConfigured()) {
        spdlog::info("Opening the ports directly: {}",
                     request.simulate ? "the simulated monitor is this run's own"
                                      : "no session bus is set");
        return {};
    }
    if (sessionBusHangs(busAnswerLimit)) {
        spdlog::warn("Opening the ports directly: the session bus did not answer within {} ms",
                     busAnswerLimit.count());
        return {};
    }
    qInstallMessageHandler(logQtMessage);
    QCoreApplication application(argc, argv);
    // A connection of its own, closed before the application ends, so that nothing reaches
    // it while the program winds down.
    const QString connectionName = "monctl-client";
    auto outcome = [&]() -> WindowOutcome {
        auto bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        if (!bus.isConnected() || !bus.interface()->isServiceRegistered(bus::serviceName)) {
            spdlog::info("Opening the ports directly: {}",
                         bus.isConnected() ? "no monctl window runs"
                                           : "the session bus cannot be reached: " +
                                                 bus.lastError().message().toStdString());
            return {};
        }
        bus::registerTypes();
        return WindowClient(request, bus).run();
    }();
    QDBusConnection::disconnectFromBus(connectionName);
    return outcome;
}

} // namespace monctl

#include "WindowClient.moc"
