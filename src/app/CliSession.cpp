#include "app/CliSession.h"

#include "app/CliReporter.h"
#include "app/PermissionAdvice.h"
#include "device/DeviceLink.h"
#include "device/MonitorSimulator.h"
#include "platform/PlatformLoader.h"
#include "runtime/AsioMainQueue.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"

#include <algorithm>
#include <asio/signal_set.hpp>
#include <cstring>
#include <fmt/format.h>
#include <map>
#include <memory>
#include <spdlog/spdlog.h>
#include <sys/stat.h>

namespace monctl {
namespace {

const std::map<std::string, int> parameters{{"contrast", 1}, {"mode", 2}, {"speed", 4}};

// Why a named device did not open; for one this user may not open, what to do about it.
std::string unopenedReason(const std::string& path, const SerialPortError& error) {
    if (error.code == std::errc::inappropriate_io_control_operation)
        return "not a serial device";
    const auto advice =
        error.code == std::errc::permission_denied ? permissionAdvice(path) : std::string();
    return advice.empty() ? error.description() : error.description() + "\nmonctl: " + advice;
}

class Session {
public:
    Session(const CliRequest& request, AsioMainQueue& main)
        : m_request(request), m_main(main),
          m_reporter(std::make_shared<CliReporter>(
              m_link, request.action == CliRequest::Action::watch ? stdout : nullptr)) {}

    int run() {
        // From the start, so that no moment of a watch ends by the default handler.
        if (m_request.action == CliRequest::Action::watch)
            stopOnSignal();
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
            for (const auto& [path, reason] : m_unopened)
                fmt::print(stderr, "monctl: {}: {}\n", path, reason);
            return 3;
        }
        waitForMonitors();
        if (m_interrupted)
            return 0;
        if (m_ports->empty()) {
            fmt::print(stderr, "monctl: no monitor found\n");
            return 1;
        }
        return act();
    }

private:
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
        spdlog::info("device registry: {}", describeBackend(*registry));
        SerialPortManager::useRegistry(std::move(registry));
        auto& state = m_link.state();
        // Standard output carries results only; the openings are told in verbose runs.
        state.openedPortStream = m_request.verbose ? stderr : nullptr;
        m_errors = state.portErrors.connect([this](const auto& port, const SerialPortError& error) {
            m_lastErrors[port->path()] = error.code;
            if (std::find(m_request.ports.begin(), m_request.ports.end(), port->path()) !=
                    m_request.ports.end() &&
                !port->isOpen())
                m_unopened.emplace(port->path(), unopenedReason(port->path(), error));
        });
        // A device that stops taking data must not hold the command line past its time.
        const auto writeLimit =
            std::min(std::chrono::duration_cast<std::chrono::milliseconds>(m_request.timeout),
                     std::chrono::milliseconds(2000));
        for (const auto& port : SerialPortManager::sharedSerialPortManager().availablePorts())
            port->setWriteTimeout(writeLimit);
        m_link.initSerialPorts();
        m_link.adoptValidPorts(m_ports, m_reporter);
        m_link.startProbe();
    }

    // Until every port that opened has answered (to list them all), or the first has (to
    // talk to it), or the time is up.
    void waitForMonitors() {
        const bool all = m_request.action == CliRequest::Action::list;
        m_main.runUntil(
            [&] {
                if (m_interrupted)
                    return true;
                if (!all)
                    return !m_ports->empty();
                const auto& available =
                    SerialPortManager::sharedSerialPortManager().availablePorts();
                return std::all_of(available.begin(), available.end(), [&](const auto& port) {
                    return !port->isOpen() ||
                           std::any_of(m_ports->begin(), m_ports->end(),
                                       [&](const auto& valid) { return valid == port; });
                });
            },
            m_request.timeout);
    }

    int act() {
        switch (m_request.action) {
        case CliRequest::Action::list:
            for (const auto& port : *m_ports)
                fmt::print("{} {}\n", port->name(), port->path());
            return 0;
        case CliRequest::Action::get:
            return get();
        case CliRequest::Action::set:
            return sent(m_link.sendCommand(parameters.at(m_request.parameter), m_request.value));
        case CliRequest::Action::refresh:
            return sent(m_link.sendCommand(3, 1));
        case CliRequest::Action::syncTime:
            return sent(m_link.sendCommand(5, 0));
        case CliRequest::Action::watch:
            return watch();
        case CliRequest::Action::window:
        case CliRequest::Action::doctor:
            break;
        }
        return 0;
    }

    int sent(bool done) const { return done ? 0 : notSent(m_link.state().currentPort); }

    // What went wrong on the port a command went to, in words; status 1.
    int notSent(const std::shared_ptr<SerialPort>& port) const {
        fmt::print(stderr, "monctl: {}\n", whyNotSent(port));
        return 1;
    }

    std::string whyNotSent(const std::shared_ptr<SerialPort>& port) const {
        if (!port)
            return "the command could not be sent";
        if (!port->isOpen())
            return port->path() + ": the device went away";
        const auto error = m_lastErrors.find(port->path());
        if (error == m_lastErrors.end())
            return port->path() + ": the command could not be sent";
        if (error->second == std::errc::timed_out)
            return port->path() + ": the device stopped accepting data";
        return port->path() + ": " + error->second.message();
    }

    int get() {
        const std::vector<std::string> wanted =
            m_request.parameter == "all" ? std::vector<std::string>{"contrast", "mode", "speed"}
                                         : std::vector<std::string>{m_request.parameter};
        for (const auto& name : wanted) {
            const auto port = m_link.state().currentPort;
            bool written = false;
            const auto answer = readBack(name, written);
            if (!answer && (!written || !port->isOpen()))
                return notSent(port);
            if (!answer) {
                fmt::print(stderr, "monctl: the monitor did not tell its {}\n", name);
                return 1;
            }
            fmt::print("{} {}\n", name,
                       name == "mode" ? modeName(*answer) : std::to_string(*answer));
        }
        return 0;
    }

    std::optional<int> readBack(const std::string& name, bool& written) {
        auto& slot = name == "contrast" ? m_reporter->contrast
                     : name == "mode"   ? m_reporter->mode
                                        : m_reporter->speed;
        slot.reset();
        written = m_link.sendCommand(10, parameters.at(name));
        if (!written)
            return std::nullopt;
        // An unplug ends the wait at once: nothing will answer.
        const auto port = m_link.state().currentPort;
        m_main.runUntil([&] { return slot.has_value() || !port->isOpen(); }, m_request.timeout);
        return slot;
    }

    // Signal handlers run on the main thread, so none can slip between the test and run().
    void stopOnSignal() {
        m_stop = std::make_unique<asio::signal_set>(m_main.context(), SIGINT, SIGTERM);
        m_stop->async_wait([this](const asio::error_code&, int) {
            m_interrupted = true;
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
    DeviceLink m_link;
    std::shared_ptr<PortList> m_ports = std::make_shared<PortList>();
    std::shared_ptr<CliReporter> m_reporter;
    std::map<std::string, std::string> m_unopened;
    std::map<std::string, std::error_code> m_lastErrors; // the last error of each port
    std::unique_ptr<asio::signal_set> m_stop;
    bool m_interrupted = false;
    Connection m_errors;
};

} // namespace

int runCliRequest(const CliRequest& request, AsioMainQueue& main) {
    return Session(request, main).run();
}

} // namespace monctl
