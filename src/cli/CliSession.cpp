#include "cli/CliSession.h"

#include "cli/Interrupts.h"
#include "cli/MonitorListing.h"
#include "cli/PortHolders.h"
#include "cli/ReadBackOutput.h"
#include "cli/WatchOutput.h"
#include "device/MonitorSimulator.h"
#include "monitor/MonitorController.h"
#include "monitor/MonitorError.h"
#include "monitor/MonitorSet.h"
#include "platform/PlatformLoader.h"
#include "runtime/AsioMainQueue.h"
#include "serial/AdapterSerialRegistry.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"
#include "shared/PermissionAdvice.h"
#include "shared/Preferences.h"
#include "shared/PresetStore.h"
#include "shared/SettingsReadBack.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <map>
#include <memory>
#include <spdlog/spdlog.h>
#include <sys/stat.h>

namespace monctl {
namespace {

// Beyond the time the user gave: the end of a command is always told (its write has a
// time-out of its own), so this only keeps a fault from holding the command line for ever.
constexpr std::chrono::seconds spareWait{5};

// Why a named device did not open; for one this user may not open, what to do about it;
// for a busy one, who holds it.
std::string unopenedReason(const std::string& path, const SerialPortError& error) {
    if (error.code == std::errc::inappropriate_io_control_operation)
        return "not a serial device";
    if (error.code == std::errc::device_or_resource_busy) {
        const auto why = whyBusy(path);
        return why.empty() ? error.description() : error.description() + " (" + why + ")";
    }
    const auto advice =
        error.code == std::errc::permission_denied ? permissionAdvice(path) : std::string();
    return advice.empty() ? error.description() : error.description() + "\nmonctl: " + advice;
}

int failed(const std::string& why) {
    fmt::print(stderr, "monctl: {}\n", why);
    return 1;
}

class Session {
public:
    Session(const CliRequest& request, AsioMainQueue& main) : m_request(request), m_main(main) {}

    int run() {
        // From the start, so that no moment of a watch ends by the default handler, and no
        // event is missed.
        if (m_request.action == CliRequest::Action::watch) {
            stopOnInterrupt();
            m_watchOutput = std::make_unique<WatchOutput>(m_monitors);
        }
        if (m_request.simulate) {
            m_simulator = std::make_unique<MonitorSimulator>();
            if (m_simulator->error()) {
                fmt::print(stderr, "monctl: the simulated monitor cannot start: {}\n",
                           m_simulator->error().message());
                return 1;
            }
            m_request.ports.push_back(m_simulator->devicePath());
        }
        if (!namedPortsExist())
            return 3;
        probe();
        if (!m_unopened.empty()) {
            tellUnopened(m_unopened);
            return 3;
        }
        waitForMonitors();
        if (m_interrupted)
            return 0;
        // Told whatever the others do: a user who may not open an adapter learns why.
        tellUnopened(m_unopenedFound);
        if (m_monitors.monitors().empty() && !m_unopenedFound.empty())
            return 3;
        if (m_monitors.monitors().empty())
            return failed(m_request.serial.empty()
                              ? "no monitor found"
                              : "no monitor with serial number " + m_request.serial);
        const auto monitors = targets();
        if (monitors.empty())
            return failed("no monitor with serial number " + m_request.serial);
        return act(monitors);
    }

private:
    using Send = std::function<void(MonitorController&, MonitorController::Done)>;

    static void tellUnopened(const std::map<std::string, std::string>& unopened) {
        for (const auto& [path, reason] : unopened)
            fmt::print(stderr, "monctl: {}: {}\n", path, reason);
    }

    bool namedPortsExist() const {
        bool allThere = true;
        for (const auto& path : m_request.ports) {
            if (SerialPort::deviceFromBSDPath(path))
                continue;
            struct stat status {};
            const bool exists = ::stat(path.c_str(), &status) == 0;
            fmt::print(stderr, "monctl: {}: {}\n", path,
                       exists ? "not a serial device" : std::strerror(errno));
            allThere = false;
        }
        return allThere;
    }

    void probe() {
        auto registry = loadDeviceRegistry(m_request.ports);
        // Known from the registry before any opening: no other adapter is written to.
        if (!m_request.serial.empty())
            registry =
                std::make_unique<AdapterSerialRegistry>(std::move(registry), m_request.serial);
        spdlog::info("device registry: {}", describeBackend(*registry));
        SerialPortManager::useRegistry(std::move(registry));
        auto& state = m_monitors.link().state();
        state.retriesBusyPorts = false;
        m_errors = state.portErrors.connect([this](const auto& port, const SerialPortError& error) {
            if (port->isOpen())
                return;
            const bool named = std::find(m_request.ports.begin(), m_request.ports.end(),
                                         port->path()) != m_request.ports.end();
            (named ? m_unopened : m_unopenedFound)
                .emplace(port->path(), unopenedReason(port->path(), error));
        });
        // A device that stops taking data must not hold the command line past its time.
        const auto writeLimit =
            std::min(std::chrono::duration_cast<std::chrono::milliseconds>(m_request.timeout),
                     std::chrono::milliseconds(2000));
        for (const auto& port : SerialPortManager::sharedSerialPortManager().availablePorts())
            port->setWriteTimeout(writeLimit);
        m_monitors.start();
    }

    // Until every port that opened has answered (to list them all, or find the one with the
    // serial number), or the first has (to talk to it), or the time is up.
    void waitForMonitors() {
        const bool all = m_request.action == CliRequest::Action::list || m_request.all ||
                         !m_request.serial.empty();
        m_main.runUntil(
            [&] {
                if (m_interrupted)
                    return true;
                return all ? m_monitors.everyOpenPortAnswered() : !m_monitors.monitors().empty();
            },
            m_request.timeout);
    }

    std::vector<ListedMonitor> listed() const {
        std::vector<ListedMonitor> listed;
        for (const auto& monitor : m_monitors.monitors())
            listed.push_back(
                {monitor->name(), monitor->path(), monitor->port()->ioKitDevice().adapter});
        return listed;
    }

    // Every monitor, the one with the serial number (none when no monitor has it), or the
    // active one.
    std::vector<MonitorSet::Monitor> targets() const {
        if (m_request.all)
            return m_monitors.monitors();
        if (m_request.serial.empty())
            return {m_monitors.active()};
        if (const auto chosen = monitorWithSerial(listed(), m_request.serial))
            return {m_monitors.find(chosen->path)};
        return {};
    }

    int act(const std::vector<MonitorSet::Monitor>& targets) {
        switch (m_request.action) {
        case CliRequest::Action::list:
            printMonitorList(listed(), m_request.json);
            return 0;
        case CliRequest::Action::get:
            return get(targets);
        case CliRequest::Action::set:
            return set(targets);
        case CliRequest::Action::presetApply:
            return applyPreset(targets);
        case CliRequest::Action::presetSave:
            return savePreset(*targets.front());
        case CliRequest::Action::refresh:
            return command(targets, [](MonitorController& monitor, auto done) {
                monitor.fastRefresh(std::move(done));
            });
        case CliRequest::Action::syncTime:
            return command(targets, [](MonitorController& monitor, auto done) {
                monitor.syncTime(std::move(done));
            });
        case CliRequest::Action::watch:
            return watch();
        default:
            break;
        }
        return 0;
    }

    // Sends the command to each monitor and waits until each frame is written; status 1,
    // with the reason for each, when one was not.
    int command(const std::vector<MonitorSet::Monitor>& targets, const Send& send) {
        using Outcomes = std::vector<std::optional<std::error_code>>;
        const auto outcomes = std::make_shared<Outcomes>(targets.size());
        for (std::size_t at = 0; at < targets.size(); ++at)
            send(*targets[at], [outcomes, at](std::error_code error) { (*outcomes)[at] = error; });
        m_main.runUntil(
            [&] {
                return std::all_of(outcomes->begin(), outcomes->end(),
                                   [](const auto& outcome) { return outcome.has_value(); });
            },
            m_request.timeout + spareWait);
        int status = 0;
        for (std::size_t at = 0; at < targets.size(); ++at) {
            const auto& path = targets[at]->path();
            const auto& outcome = (*outcomes)[at];
            if (!outcome.has_value())
                status = failed(path + ": the command could not be sent");
            else if (*outcome)
                status = failed(failureText(path, *outcome));
        }
        return status;
    }

    int get(const std::vector<MonitorSet::Monitor>& targets) {
        std::vector<std::string> paths(targets.size());
        std::transform(targets.begin(), targets.end(), paths.begin(),
                       [](const auto& monitor) { return monitor->path(); });
        return printReadBacks(paths, settingsAskedFor(m_request.parameter), m_request.all,
                              m_request.json, readBackOf(targets));
    }

    // Through the command's own controllers, never looked up again: one that went meanwhile
    // answers at once that it went away.
    ReadBack readBackOf(const std::vector<MonitorSet::Monitor>& targets) {
        return [this, targets](const std::string& path, Setting setting) {
            const auto target =
                std::find_if(targets.begin(), targets.end(),
                             [&](const auto& monitor) { return monitor->path() == path; });
            return readBack(**target, setting);
        };
    }

    // A change of contrast is counted from what each monitor reports; one that does not tell
    // it is sent nothing.
    int set(const std::vector<MonitorSet::Monitor>& targets) {
        std::map<std::string, int> values;
        std::vector<MonitorSet::Monitor> told;
        for (const auto& monitor : targets) {
            if (const auto value = valueToSet(m_request, monitor->path(), readBackOf(targets))) {
                values.emplace(monitor->path(), *value);
                told.push_back(monitor);
            }
        }
        const int status = command(told, [&](MonitorController& monitor, auto done) {
            monitor.set(*settingNamed(m_request.parameter), values.at(monitor.path()),
                        std::move(done));
        });
        return told.size() == targets.size() ? status : 1;
    }

    int applyPreset(const std::vector<MonitorSet::Monitor>& targets) {
        const auto settings = PresetStore(Preferences::defaultPath()).find(m_request.preset);
        if (!settings)
            return failed("no preset named " + m_request.preset);
        return command(targets, [&](MonitorController& monitor, auto done) {
            monitor.apply(*settings, std::move(done));
        });
    }

    int savePreset(MonitorController& monitor) {
        using Answer = std::pair<std::error_code, MonitorSettings>;
        const auto answer = std::make_shared<std::optional<Answer>>();
        readAllSettings(monitor, m_request.timeout,
                        [answer](std::error_code error, const MonitorSettings& settings) {
                            *answer = Answer(error, settings);
                        });
        m_main.runUntil([&] { return answer->has_value(); }, m_request.timeout * 3 + spareWait);
        const auto error = answer->has_value() ? (*answer)->first : MonitorError::noAnswer;
        if (error)
            return failed(settingsUnreadText(monitor.path(), error));
        const auto path = Preferences::defaultPath();
        if (!PresetStore(path).save({m_request.preset, (*answer)->second}))
            return failed(path.toStdString() + " cannot be written");
        return 0;
    }

    // The setting as the monitor tells it; none, said why, when it does not.
    std::optional<int> readBack(MonitorController& monitor, Setting setting) {
        using Answer = std::pair<std::error_code, int>;
        const auto answer = std::make_shared<std::optional<Answer>>();
        monitor.readBack(setting, m_request.timeout, [answer](std::error_code error, int value) {
            *answer = Answer(error, value);
        });
        // An unplug ends the wait at once: nothing will answer.
        m_main.runUntil([&] { return answer->has_value(); }, m_request.timeout + spareWait);
        const auto error = answer->has_value() ? (*answer)->first : MonitorError::noAnswer;
        if (error == MonitorError::noAnswer)
            failed((m_request.all ? monitor.path() + ": " : std::string()) +
                   "the monitor did not tell its " + std::string(settingName(setting)));
        else if (error)
            failed(failureText(monitor.path(), error));
        else
            return (*answer)->second;
        return std::nullopt;
    }

    // The interrupt is seen on the main loop, so none can slip between the test and run();
    // one that came before this session (while the window was asked) counts as well.
    void stopOnInterrupt() {
        catchInterrupts();
        m_interrupted = interruptRequested();
        m_interrupt = m_main.watchReadable(interruptDescriptor(), [this] {
            m_interrupted = true;
            m_interrupt.reset();
            m_main.stop();
        });
    }

    int watch() {
        if (!m_interrupted)
            m_main.run();
        return 0;
    }

    CliRequest m_request;
    AsioMainQueue& m_main;
    std::unique_ptr<MonitorSimulator> m_simulator;
    MonitorSet m_monitors;
    std::map<std::string, std::string> m_unopened;      // named with --port
    std::map<std::string, std::string> m_unopenedFound; // found by the registry
    std::unique_ptr<DescriptorWatch> m_interrupt;
    bool m_interrupted = false;
    Connection m_errors;
    std::unique_ptr<WatchOutput> m_watchOutput;
};

} // namespace

int runCliRequest(const CliRequest& request, AsioMainQueue& main) {
    return Session(request, main).run();
}

} // namespace monctl
