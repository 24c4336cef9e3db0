// The command line and a second start talking to a running window over a private session bus.
#include "bus/BusInterface.h"
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

std::string listLine(const MonitorSimulator& monitor) {
    return std::filesystem::path(monitor.devicePath()).filename().string() + " " +
           monitor.devicePath() + "\n";
}

// Sends until the watch prints the line: a watch hears nothing before it listens.
std::string awaitLine(ChildProcess& watch, const std::function<void()>& send,
                      const std::string& expected) {
    std::string line;
    for (int tries = 0; tries < 40 && line != expected; ++tries) {
        send();
        line = watch.readLine(250ms);
    }
    return line;
}

// Holds the window's name, takes every call and answers none.
class SilentHolder final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override {
        ++calls;
        return true;
    }

    int calls = 0;
};

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
    EXPECT_EQ(run.output, listLine(monitor));

    // Doctor, and a command that must open the port itself, name the window as its holder.
    run = runMonctl({"--port", monitor.devicePath(), "doctor", "--timeout", "0.5"});
    EXPECT_NE(run.output.find("    held by: monctl ("), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("), monctl's own window\n"), std::string::npos) << run.output;
    run = runMonctl({"--direct", "--port", monitor.devicePath(), "get", "contrast"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.errors.find(": Device or resource busy (held by monctl ("), std::string::npos)
        << run.errors;
    EXPECT_NE(run.errors.find("), monctl's own window)"), std::string::npos) << run.errors;

    // The window's reports reach a watch once it listens; until then a report may be lost.
    ChildProcess watch({MONCTL_PATH, "watch"});
    auto line = awaitLine(
        watch, [&] { monitor.sendSettingReport(1, 4); }, "contrast 4");
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

    // A --port list the window holds only part of: its own through it, the others directly.
    run = runMonctl({"--port", monitor.devicePath(), "--port", outside.devicePath(), "list"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, listLine(monitor) + listLine(outside));
    {
        ChildProcess both(
            {MONCTL_PATH, "watch", "--port", monitor.devicePath(), "--port", outside.devicePath()});
        EXPECT_EQ(awaitLine(
                      both, [&] { outside.sendSettingReport(1, 6); }, "contrast 6"),
                  "contrast 6");
        EXPECT_EQ(awaitLine(
                      both, [&] { monitor.sendSettingReport(1, 3); }, "contrast 3"),
                  "contrast 3");
        both.signal(SIGINT);
        EXPECT_EQ(both.wait(), 0) << both.errors();
    }
    run = runMonctl({"--port", outside.devicePath(), "get", "contrast"});
    EXPECT_EQ(run.output, "contrast 5\n") << "let go by the watch: " << run.errors;

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
    // A call ends when its frame is written; the monitor reads it a moment later.
    EXPECT_TRUE(processEventsUntil(
        [&] { return count(first, frame("0103")) == 20 && count(second, frame("0107")) == 20; }));
    EXPECT_EQ(count(first, frame("0107")), 0);
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
    const auto fives = [&] { return count(first, frame("0105")) + count(second, frame("0105")); };
    EXPECT_TRUE(processEventsUntil([&] { return fives() > 0; }));
    EXPECT_EQ(fives(), 1);
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

// A change of contrast counts from what the window holds for its monitor, without asking it; a
// preset is saved from it and applied as three frames; other programs reach the presets on the
// bus.
TEST(WindowBus, ContrastStepsAndPresetsGoThroughTheWindow) {
    PrivateSessionBus session;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    MonitorSimulator monitor({8, 2, 1}, nullptr);
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";

    Outcome run;
    const auto during = [&](std::size_t expected, std::vector<std::string> arguments) {
        return framesDuring(monitor, expected, [&] { run = runMonctl(arguments); });
    };
    EXPECT_EQ(during(1, {"set", "contrast", "+3"}), std::vector{frame("0109")});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(during(3, {"preset", "save", "reading"}),
              (std::vector{frame("0A01"), frame("0A02"), frame("0A04")}));
    EXPECT_EQ(run.status, 0) << run.errors;
    during(1, {"set", "mode", "video"});
    EXPECT_EQ(during(3, {"preset", "reading"}),
              (std::vector{frame("0109"), frame("0202"), frame("0401")}));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(runMonctl({"preset", "film"}).status, 2);

    auto connection =
        QDBusConnection::connectToBus(QString::fromStdString(session.address()), "presets");
    bus::registerTypes();
    const QDBusReply<bus::PresetEntries> presets = connection.call(callOf("ListPresets", {}));
    ASSERT_EQ(presets.value().size(), 1) << presets.error().message().toStdString();
    EXPECT_EQ(presets.value()[0].name, "reading");
    EXPECT_EQ(presets.value()[0].contrast, 9);
    EXPECT_EQ(connection.call(callOf("SavePreset", {"", "a/b"})).errorName(),
              "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(connection.call(callOf("ApplyPreset", {"", "film"})).errorName(),
              bus::unknownPresetError);
    EXPECT_EQ(connection.call(callOf("DeletePreset", {"reading"})).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(runMonctl({"preset", "list"}).output, "");
    const QDBusReply<bus::AdapterEntries> adapters = connection.call(callOf("ListAdapters", {}));
    EXPECT_TRUE(adapters.isValid() && adapters.value().isEmpty()) << "a pseudo-terminal";
    const auto listed =
        QJsonDocument::fromJson(QByteArray::fromStdString(runMonctl({"--json", "list"}).output));
    EXPECT_EQ(listed[0]["path"].toString().toStdString(), monitor.devicePath());
    EXPECT_TRUE(listed[0]["adapter"].isNull());
    run = runMonctl({"--monitor", "A10KZP4M", "get", "contrast"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "monctl: no monitor with serial number A10KZP4M\n");
    QDBusConnection::disconnectFromBus("presets");
    window.signal(SIGTERM);
    window.wait();
}

// A command whose monitor goes before its frame is written fails, and no other monitor hears
// it; a watch of one monitor prints its events alone.
TEST(WindowBus, AMonitorThatGoesTakesItsCommandsWithIt) {
    PrivateSessionBus session;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    MonitorSimulator first;
    MonitorSimulator second;
    ChildProcess window({MONCTL_PATH, "--port", first.devicePath(), "--port", second.devicePath()});
    auto connection =
        QDBusConnection::connectToBus(QString::fromStdString(session.address()), "goes");
    const auto before = monitorsOf(connection, 2);
    ASSERT_EQ(before.size(), 2u) << window.errors();
    // The one that goes is not the active one.
    const bool firstActive = before.at(QString::fromStdString(first.devicePath()));
    auto& going = firstActive ? second : first;
    auto& staying = firstActive ? first : second;
    const auto path = QString::fromStdString(going.devicePath());

    ChildProcess watch({MONCTL_PATH, "watch", "--port", going.devicePath()});
    auto line = awaitLine(
        watch,
        [&] {
            staying.sendSettingReport(1, 9);
            going.sendSettingReport(1, 4);
        },
        "contrast 4");
    EXPECT_EQ(line, "contrast 4");
    staying.sendButton(3);
    going.sendButton(1);
    while (line == "contrast 4")
        line = watch.readLine();
    EXPECT_EQ(line, "key page-down") << "the other monitor's events are not printed";
    watch.signal(SIGINT);
    EXPECT_EQ(watch.wait(), 0) << watch.errors();

    // Held back behind read-backs the silent monitor never answers, the command waits in the
    // window when its monitor goes.
    going.setSilent(true);
    std::vector<QDBusPendingCall> held;
    for (int round = 0; round < 10; ++round)
        held.push_back(connection.asyncCall(callOf("Get", {path, "speed", 5000u})));
    ChildProcess calls({"/usr/bin/dbus-monitor", "--address", session.address()});
    ASSERT_NE(calls.readLine(10s), "") << "listening";
    ChildProcess set({MONCTL_PATH, "--port", going.devicePath(), "set", "contrast", "3"});
    for (line = calls.readLine(10s); !line.empty() && line.find("member=Set") == std::string::npos;)
        line = calls.readLine(10s);
    ASSERT_NE(line, "") << "the command reached the window";
    going.unplug();
    EXPECT_EQ(set.wait(20s), 1);
    EXPECT_EQ(set.errors(), "monctl: " + going.devicePath() + ": the device went away\n");
    EXPECT_EQ(count(going, frame("0103")) + count(staying, frame("0103")), 0);
    EXPECT_EQ(monitorsOf(connection, 1).at(QString::fromStdString(staying.devicePath())), true);
    QDBusConnection::disconnectFromBus("goes");
    window.signal(SIGTERM);
    window.wait();
}

// A program that holds the window's name and never answers is no window: the command line
// opens the ports itself within its time, a watch ends at its first Ctrl+C, and a window
// says so and runs without the bus.
TEST(WindowBus, ANameHeldByAProgramThatDoesNotAnswerIsNoWindow) {
    PrivateSessionBus session;
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    SilentHolder holder;
    auto connection =
        QDBusConnection::connectToBus(QString::fromStdString(session.address()), "holder");
    ASSERT_TRUE(connection.registerVirtualObject(bus::objectPath, &holder));
    ASSERT_TRUE(connection.registerService(bus::serviceName));
    MonitorSimulator monitor({3, 2, 1}, nullptr);

    // This thread takes no call while it waits for a program: none is answered.
    auto run = runMonctl({"--port", monitor.devicePath(), "get", "contrast"});
    EXPECT_EQ(run.output, "contrast 3\n") << run.errors;
    EXPECT_NE(run.errors.find("does not answer as monctl"), std::string::npos) << run.errors;
    ASSERT_TRUE(processEventsUntil([&] { return holder.calls == 1; }));
    {
        ChildProcess watch({MONCTL_PATH, "--port", monitor.devicePath(), "watch"});
        ASSERT_TRUE(processEventsUntil([&] { return holder.calls == 2; })) << "asking";
        watch.signal(SIGINT);
        EXPECT_EQ(watch.wait(5s), 0);
    }
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    EXPECT_TRUE(monitor.waitForFrames(6, 10s)) << "probed and read back all the same";
    window.signal(SIGTERM);
    window.wait();
    EXPECT_NE(window.errors().find("does not answer as monctl"), std::string::npos)
        << window.errors();
    QDBusConnection::disconnectFromBus("holder");
}
