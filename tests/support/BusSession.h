#pragma once

// A desktop session of the test's own for monctl's window and command line: a private session
// bus, a configuration folder, and what the tests do with a monitor on them.
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/PrivateSessionBus.h"
#include "support/ScopedEnvironment.h"

#include <QDBusConnection>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <tuple>

namespace monctl::test {

// The XDG folders of configuration, data and cache (the test's folder) and the variables given
// are set before the bus starts: its services see them, as do this process and its programs.
struct BusSession {
    using Variables = std::vector<std::pair<std::string, std::string>>;
    explicit BusSession(const std::vector<PrivateSessionBus::Service>& services = {},
                        const Variables& variables = {})
        : bus(servicesAfter(variables, services)) {}
    ~BusSession() {
        for (const auto& name : m_connections)
            QDBusConnection::disconnectFromBus(name);
    }
    // A connection of the test's own, closed before the bus goes.
    QDBusConnection connect(const QString& name) {
        m_connections << name;
        return QDBusConnection::connectToBus(QString::fromStdString(bus.address()), name);
    }

    QTemporaryDir home;
    ScopedEnvironment environment;
    PrivateSessionBus bus;

private:
    const std::vector<PrivateSessionBus::Service>&
    servicesAfter(const Variables& variables,
                  const std::vector<PrivateSessionBus::Service>& services) {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            environment.set(name, home.path().toStdString());
        for (const auto& [name, value] : variables)
            environment.set(name, value);
        return services;
    }

    QStringList m_connections;
};

struct Outcome {
    int status;
    std::string output;
    std::string errors;
    // All three, to compare at once.
    std::tuple<int, std::string, std::string> told() const { return {status, output, errors}; }
};

#ifdef MONCTL_PATH
inline Outcome runMonctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), MONCTL_PATH);
    ChildProcess program(arguments);
    const int status = program.wait(std::chrono::seconds(20));
    return {status, program.output(), program.errors()};
}
#endif

// The line `monctl list` gives for the monitor.
inline std::string listLine(const MonitorSimulator& monitor) {
    return std::filesystem::path(monitor.devicePath()).filename().string() + " " +
           monitor.devicePath() + "\n";
}

inline std::string frame(const char* command) {
    return std::string("5FF5") + command + "000000000000A0FA";
}

inline std::vector<std::string> frames(std::initializer_list<const char*> commands) {
    std::vector<std::string> all(commands.size());
    std::ranges::transform(commands, all.begin(), frame);
    return all;
}

// The frames the monitor received while `action` ran, the Qt main loop running meanwhile.
template <class Action>
std::vector<std::string> framesDuring(const MonitorSimulator& monitor, std::size_t expected,
                                      Action action) {
    const auto before = monitor.receivedFrames().size();
    action();
    processEventsUntil([&] { return monitor.receivedFrames().size() >= before + expected; },
                       std::chrono::seconds(10));
    const auto all = monitor.receivedFrames();
    return {all.begin() + static_cast<long>(before), all.end()};
}

} // namespace monctl::test
