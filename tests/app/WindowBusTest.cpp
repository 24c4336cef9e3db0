// The command line and a second start talking to a running window over a private session bus.
#include "app/BusInterface.h"
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

struct Outcome {
    int status;
    std::string output;
    std::string errors;
};

Outcome runMonctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), MONCTL_PATH);
    ChildProcess program(arguments);
    const int status = program.wait(20s);
    return {status, program.output(), program.errors()};
}

// The frames the monitor received while `action` ran.
template <class Action>
std::vector<std::string> framesDuring(const MonitorSimulator& monitor, std::size_t expected,
                                      Action action) {
    const auto before = monitor.receivedFrames().size();
    action();
    monitor.waitForFrames(before + expected, 5s);
    const auto all = monitor.receivedFrames();
    return {all.begin() + static_cast<long>(before), all.end()};
}

std::string frame(const char* command) {
    return std::string("5FF5") + command + "000000000000A0FA";
}

long count(const MonitorSimulator& monitor, const std::string& wanted) {
    const auto frames = monitor.receivedFrames();
    return std::count(frames.begin(), frames.end(), wanted);
}

QDBusMessage callOf(const char* method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                  bus::interfaceName, method);
    message.setArguments(arguments);
    return message;
}

// The window's monitors once it lists this many: path, and whether it is the active one.
std::map<QString, bool> monitorsOf(QDBusConnection connection, std::size_t expected) {
    bus::registerTypes();
    std::map<QString, bool> listed;
    processEventsUntil(
        [&] {
            const QDBusReply<bus::MonitorEntries> reply =
                connection.call(callOf("ListMonitors", {}));
            listed.clear();
            for (const auto& entry : reply.value())
                listed[entry.path] = entry.active;
            return listed.size() == expected;
        },
        10s);
    return listed;
}

} // namespace

TEST(WindowBus, TheCommandLineAndASecondStartUseTheRunningWindow) {
    PrivateSessionBus bus;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    MonitorSimulator monitor({5, 3, 3}, nullptr);
    MonitorSimulator outside;
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";

    Outcome run;
    EXPECT_EQ(framesDuring(monitor, 3,
                           [&] {
                               run = runMonctl({"get", "all"});
                           }),
              (std::vector{frame("0A01"), frame("0A02"), frame("0A04")}));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "contrast 5\nmode graphic\nspeed 3\n");
    EXPECT_EQ(framesDuring(monitor, 1,
                           [&] {
                               run = runMonctl({"set", "contrast", "7"});
                           }),
              std::vector{frame("0107")});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(framesDuring(monitor, 1,
                           [&] {
                               run = runMonctl({"--port", monitor.devicePath(), "refresh"});
                           }),
              std::vector{frame("0301")});
    EXPECT_EQ(run.status, 0) << run.errors;
    run = runMonctl({"list"});
    EXPECT_EQ(run.output, std::filesystem::path(monitor.devicePath()).filename().string() + " " +
                              monitor.devicePath() + "\n");

    // The window's reports reach a watch once it listens; until then a report may be lost.
    ChildProcess watch({MONCTL_PATH, "watch"});
    std::string line;
    for (int tries = 0; tries < 40 && line != "contrast 4"; ++tries) {
        monitor.sendSettingReport(1, 4);
        line = watch.readLine(250ms);
    }
    EXPECT_EQ(line, "contrast 4");
    monitor.sendButton(1);
    while (line == "contrast 4")
        line = watch.readLine();
    EXPECT_EQ(line.rfind("key ", 0), 0u) << line;
    watch.signal(SIGINT);
    EXPECT_EQ(watch.wait(), 0) << watch.errors();

    // A device the window does not have is opened by the command line itself, as it is
    // without a session bus.
    run = runMonctl({"--port", outside.devicePath(), "get", "contrast"});
    EXPECT_EQ(run.output, "contrast 5\n") << run.errors;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    run = runMonctl({"--port", outside.devicePath(), "get", "speed"});
    EXPECT_EQ(run.output, "speed 1\n") << run.errors;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);

    const auto frames = monitor.receivedFrames().size();
    EXPECT_EQ(runMonctl({"--port", monitor.devicePath()}).status, 0) << "a second window";
    EXPECT_EQ(monitor.receivedFrames().size(), frames);
    window.signal(SIGTERM);
    window.wait();
}

// Twenty clients at once for each of two monitors: every command reaches the monitor it
// names and every answer comes from it; none moves the window's choice.
TEST(WindowBus, ConcurrentClientsEachReachTheMonitorTheyName) {
    PrivateSessionBus session;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    MonitorSimulator first({2, 2, 1}, nullptr);
    MonitorSimulator second({8, 4, 5}, nullptr);
    ChildProcess window({MONCTL_PATH, "--port", first.devicePath(), "--port", second.devicePath()});
    const auto a = QString::fromStdString(first.devicePath());
    const auto b = QString::fromStdString(second.devicePath());
    const auto before = monitorsOf(
        QDBusConnection::connectToBus(QString::fromStdString(session.address()), "list"), 2);
    ASSERT_EQ(before.size(), 2u) << window.errors();

    std::vector<QDBusPendingCall> sets;
    std::vector<std::pair<QDBusPendingCall, int>> gets;
    QStringList clients;
    for (int client = 0; client < 20; ++client) {
        clients << QStringLiteral("client%1").arg(client);
        auto connection = QDBusConnection::connectToBus(QString::fromStdString(session.address()),
                                                        clients.back());
        sets.push_back(connection.asyncCall(callOf("Set", {a, "contrast", 3})));
        sets.push_back(connection.asyncCall(callOf("Set", {b, "contrast", 7})));
        gets.emplace_back(connection.asyncCall(callOf("Get", {a, "contrast", 5000u})), 3);
        gets.emplace_back(connection.asyncCall(callOf("Get", {b, "contrast", 5000u})), 7);
    }
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return std::all_of(sets.begin(), sets.end(), [](auto& c) { return c.isFinished(); }) &&
                   std::all_of(gets.begin(), gets.end(),
                               [](auto& g) { return g.first.isFinished(); });
        },
        20s));
    for (auto& set : sets)
        EXPECT_FALSE(set.isError()) << set.error().message().toStdString();
    for (auto& [get, expected] : gets)
        EXPECT_EQ(QDBusReply<int>(get).value(), expected);
    EXPECT_EQ(count(first, frame("0103")), 20);
    EXPECT_EQ(count(first, frame("0107")), 0);
    EXPECT_EQ(count(second, frame("0107")), 20);
    EXPECT_EQ(count(second, frame("0103")), 0);

    // With --all through the window, each monitor once.
    auto run = runMonctl({"--all", "refresh"});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(processEventsUntil(
        [&] { return first.fastRefreshCount() == 1 && second.fastRefreshCount() == 1; }));
    run = runMonctl({"--all", "get", "speed"});
    const auto one = first.devicePath() + " speed 1\n";
    const auto two = second.devicePath() + " speed 5\n";
    EXPECT_TRUE(run.output == one + two || run.output == two + one) << run.output << run.errors;

    // The command line names the other monitor: it alone hears, and it stays the other one.
    const auto other = before.at(a) ? second.devicePath() : first.devicePath();
    run = runMonctl({"--port", other, "set", "contrast", "5"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(count(first, frame("0105")) + count(second, frame("0105")), 1);
    EXPECT_EQ(
        monitorsOf(
            QDBusConnection::connectToBus(QString::fromStdString(session.address()), "again"), 2),
        before);
    clients << "list"
            << "again";
    for (const auto& name : clients)
        QDBusConnection::disconnectFromBus(name);
    window.signal(SIGTERM);
    window.wait();
}
