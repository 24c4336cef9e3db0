// The command line and a second start talking to a running window over a private session bus.
#include "bus/BusInterface.h"
#include "support/BusSession.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <csignal>
#include <gmock/gmock.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;
using ::testing::ContainsRegex;
using ::testing::FieldsAre;
using ::testing::HasSubstr;

namespace {

long count(const MonitorSimulator& monitor, const std::string& wanted) {
    return std::ranges::count(monitor.receivedFrames(), wanted);
}

QDBusMessage callOf(const char* method, const QVariantList& arguments = {}) {
    auto message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                  bus::interfaceName, method);
    message.setArguments(arguments);
    return message;
}

// The window's monitors once it lists this many: path, and whether it is the active one.
std::map<QString, bool> monitorsOf(QDBusConnection connection, std::size_t expected) {
    bus::registerTypes();
    std::map<QString, bool> listed;
    const auto listsThem = [&] {
        const QDBusReply<bus::MonitorEntries> reply = connection.call(callOf("ListMonitors"));
        listed.clear();
        for (const auto& entry : reply.value())
            listed[entry.path] = entry.active;
        return listed.size() == expected;
    };
    processEventsUntil(listsThem, 10s);
    return listed;
}

// Sends until the watch prints the line: a watch hears nothing before it listens.
bool hears(ChildProcess& watch, const std::string& expected, const std::function<void()>& send) {
    for (int tries = 0; tries < 40; ++tries) {
        send();
        if (watch.readLine(250ms) == expected)
            return true;
    }
    return false;
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

class WindowBus : public ::testing::Test {
protected:
    void start(const std::vector<const MonitorSimulator*>& monitors) {
        std::vector<std::string> arguments{MONCTL_PATH};
        for (const auto* monitor : monitors)
            arguments.insert(arguments.end(), {"--port", monitor->devicePath()});
        window = std::make_unique<ChildProcess>(arguments);
    }
    // The frames the monitor received while monctl ran with these arguments.
    std::vector<std::string> during(const MonitorSimulator& monitor, std::size_t expected,
                                    std::vector<std::string> arguments) {
        return framesDuring(monitor, expected, [&] {
            run = runMonctl(std::move(arguments));
            EXPECT_EQ(run.status, 0) << run.errors;
        });
    }

    BusSession session;
    std::unique_ptr<ChildProcess> window;
    Outcome run;
};

} // namespace

// Commands, steps counted from what the window holds (without asking the monitor), presets,
// doctor and watches go through the window; a device it does not have is opened directly, as
// it is without a window on the bus.
TEST_F(WindowBus, TheCommandLineAndASecondStartUseTheRunningWindow) {
    MonitorSimulator monitor({5, 3, 3}, nullptr);
    MonitorSimulator outside;
    start({&monitor});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";

    EXPECT_EQ(during(monitor, 3, {"get", "all"}), frames({"0A01", "0A02", "0A04"}));
    EXPECT_EQ(run.output, "contrast 5\nmode graphic\nspeed 3\n");
    EXPECT_EQ(during(monitor, 1, {"set", "contrast", "7"}), frames({"0107"}));
    EXPECT_EQ(during(monitor, 1, {"set", "contrast", "+2"}), frames({"0109"}));
    EXPECT_EQ(during(monitor, 1, {"--port", monitor.devicePath(), "refresh"}), frames({"0301"}));
    EXPECT_EQ(during(monitor, 3, {"preset", "save", "reading"}), frames({"0A01", "0A02", "0A04"}));
    during(monitor, 1, {"set", "mode", "video"});
    EXPECT_EQ(during(monitor, 3, {"preset", "reading"}), frames({"0109", "0203", "0403"}));
    EXPECT_EQ(runMonctl({"preset", "film"}).status, 2);
    EXPECT_EQ(runMonctl({"list"}).output, listLine(monitor));

    // Other programs reach the presets on the bus.
    auto connection = session.connect("presets");
    bus::registerTypes();
    const QDBusReply<bus::PresetEntries> presets = connection.call(callOf("ListPresets"));
    ASSERT_EQ(presets.value().size(), 1) << presets.error().message().toStdString();
    EXPECT_EQ(std::tie(presets.value()[0].name, presets.value()[0].contrast),
              std::tuple("reading", 9));
    for (const auto& [call, error] : std::vector<std::pair<QDBusMessage, QString>>{
             {callOf("SavePreset", {"", "a/b"}), "org.freedesktop.DBus.Error.InvalidArgs"},
             {callOf("ApplyPreset", {"", "film"}), bus::unknownPresetError},
             {callOf("DeletePreset", {"reading"}), ""}})
        EXPECT_EQ(connection.call(call).errorName(), error);
    EXPECT_EQ(runMonctl({"preset", "list"}).output, "");
    const QDBusReply<bus::AdapterEntries> adapters = connection.call(callOf("ListAdapters"));
    EXPECT_TRUE(adapters.isValid() && adapters.value().isEmpty()) << "a pseudo-terminal";
    EXPECT_EQ(runMonctl({"--monitor", "A10KZP4M", "get", "contrast"}).told(),
              std::tuple(1, "", "monctl: no monitor with serial number A10KZP4M\n"));

    // Doctor, and a command that must open the port itself, name the window as its holder.
    const std::string theWindow = R"(monctl \([^)]*\), monctl's own window)";
    EXPECT_THAT(runMonctl({"--port", monitor.devicePath(), "doctor", "--timeout", "0.5"}).output,
                ContainsRegex("\n    held by: " + theWindow + "\n"));
    EXPECT_THAT(
        runMonctl({"--direct", "--port", monitor.devicePath(), "get", "contrast"}).told(),
        FieldsAre(3, "",
                  ContainsRegex(": Device or resource busy \\(held by " + theWindow + "\\)")));

    // The window's reports reach a watch once it listens; until then a report may be lost.
    ChildProcess watch({MONCTL_PATH, "watch"});
    EXPECT_TRUE(hears(watch, "contrast 4", [&] { monitor.sendSettingReport(1, 4); }));
    watch.signal(SIGINT);
    EXPECT_EQ(watch.wait(), 0) << watch.errors();

    // A --port list the window holds only part of: its own through it, the others directly.
    run = runMonctl({"--port", monitor.devicePath(), "--port", outside.devicePath(), "list"});
    EXPECT_EQ(run.output, listLine(monitor) + listLine(outside)) << run.errors;
    ChildProcess both(
        {MONCTL_PATH, "watch", "--port", monitor.devicePath(), "--port", outside.devicePath()});
    EXPECT_TRUE(hears(both, "contrast 6", [&] { outside.sendSettingReport(1, 6); }));
    EXPECT_TRUE(hears(both, "contrast 3", [&] { monitor.sendSettingReport(1, 3); }));
    both.signal(SIGINT);
    EXPECT_EQ(both.wait(), 0) << both.errors();
    run = runMonctl({"--port", outside.devicePath(), "get", "contrast"});
    EXPECT_EQ(run.output, "contrast 5\n") << "opened directly, let go by the watch: " << run.errors;

    const auto received = monitor.receivedFrames().size();
    EXPECT_EQ(runMonctl({"--port", monitor.devicePath()}).status, 0) << "a second window";
    EXPECT_EQ(monitor.receivedFrames().size(), received);
}

// Twenty clients at once for each of two monitors: every command reaches the monitor it
// names and every answer comes from it; none moves the window's choice. A command whose monitor
// goes before its frame is written fails, and no other monitor hears it; a watch of one monitor
// prints its events alone.
TEST_F(WindowBus, EachCommandReachesTheMonitorItNamesAndGoesWithIt) {
    MonitorSimulator first({2, 2, 1}, nullptr);
    MonitorSimulator second({8, 4, 5}, nullptr);
    start({&first, &second});
    const auto a = QString::fromStdString(first.devicePath());
    const auto b = QString::fromStdString(second.devicePath());
    auto connection = session.connect("list");
    const auto before = monitorsOf(connection, 2);
    ASSERT_EQ(before.size(), 2u) << window->errors();

    std::vector<QDBusPendingCall> sets;
    std::vector<std::pair<QDBusPendingCall, int>> gets;
    for (int client = 0; client < 20; ++client) {
        auto own = session.connect(QStringLiteral("client%1").arg(client));
        sets.push_back(own.asyncCall(callOf("Set", {a, "contrast", 3})));
        sets.push_back(own.asyncCall(callOf("Set", {b, "contrast", 7})));
        gets.emplace_back(own.asyncCall(callOf("Get", {a, "contrast", 5000u})), 3);
        gets.emplace_back(own.asyncCall(callOf("Get", {b, "contrast", 5000u})), 7);
    }
    // Each reply waits for its call's end, within the bus's own time-out.
    for (const QDBusReply<void> set : sets)
        EXPECT_TRUE(set.isValid()) << set.error().message().toStdString();
    for (auto& [get, expected] : gets)
        EXPECT_EQ(QDBusReply<int>(get).value(), expected);
    // A call ends when its frame is written; the monitor reads it a moment later.
    EXPECT_TRUE(processEventsUntil(
        [&] { return count(first, frame("0103")) == 20 && count(second, frame("0107")) == 20; }));
    EXPECT_EQ(count(first, frame("0107")) + count(second, frame("0103")), 0);

    // With --all through the window, each monitor once.
    EXPECT_EQ(runMonctl({"--all", "refresh"}).status, 0);
    ASSERT_TRUE(processEventsUntil(
        [&] { return first.fastRefreshCount() == 1 && second.fastRefreshCount() == 1; }));
    run = runMonctl({"--all", "get", "speed"});
    const auto one = first.devicePath() + " speed 1\n";
    const auto two = second.devicePath() + " speed 5\n";
    EXPECT_TRUE(run.output == one + two || run.output == two + one) << run.output << run.errors;

    // The command line names the other monitor: it alone hears, and it stays the other one.
    auto& going = before.at(a) ? second : first;
    auto& staying = before.at(a) ? first : second;
    EXPECT_EQ(runMonctl({"--port", going.devicePath(), "set", "contrast", "5"}).status, 0);
    const auto fives = [&] { return count(first, frame("0105")) + count(second, frame("0105")); };
    EXPECT_TRUE(processEventsUntil([&] { return fives() > 0; }));
    EXPECT_EQ(fives(), 1);
    EXPECT_EQ(monitorsOf(connection, 2), before);

    ChildProcess watch({MONCTL_PATH, "watch", "--port", going.devicePath()});
    EXPECT_TRUE(hears(watch, "contrast 4", [&] {
        staying.sendSettingReport(1, 9);
        going.sendSettingReport(1, 4);
    }));
    staying.sendButton(3);
    going.sendButton(1);
    auto line = watch.readLine();
    while (line == "contrast 4")
        line = watch.readLine();
    EXPECT_EQ(line, "key page-down") << "the other monitor's events are not printed";
    watch.signal(SIGINT);
    EXPECT_EQ(watch.wait(), 0) << watch.errors();

    // Held back behind read-backs the silent monitor never answers (each holds the next
    // request for a third of a second: a hundred of them outlast the steps below however loaded
    // the machine is), the command waits in the window when its monitor goes.
    going.setSilent(true);
    std::vector<QDBusPendingCall> held;
    for (int round = 0; round < 100; ++round)
        held.push_back(connection.asyncCall(
            callOf("Get", {QString::fromStdString(going.devicePath()), "speed", 60000u})));
    ChildProcess calls({"/usr/bin/dbus-monitor", "--address", session.bus.address()});
    ASSERT_NE(calls.readLine(10s), "") << "listening";
    ChildProcess set({MONCTL_PATH, "--port", going.devicePath(), "set", "contrast", "6"});
    for (line = calls.readLine(10s); !line.empty() && line.find("member=Set") == std::string::npos;)
        line = calls.readLine(10s);
    ASSERT_NE(line, "") << "the command reached the window";
    going.unplug();
    EXPECT_EQ(set.wait(20s), 1);
    EXPECT_EQ(set.errors(), "monctl: " + going.devicePath() + ": the device went away\n");
    EXPECT_EQ(count(going, frame("0106")) + count(staying, frame("0106")), 0);
    EXPECT_EQ(monitorsOf(connection, 1).at(QString::fromStdString(staying.devicePath())), true);
}

// A program that holds the window's name and never answers is no window: the command line
// opens the ports itself within its time, a watch ends at its first Ctrl+C, and a window
// says so and runs without the bus.
TEST_F(WindowBus, ANameHeldByAProgramThatDoesNotAnswerIsNoWindow) {
    SilentHolder holder;
    auto connection = session.connect("holder");
    ASSERT_TRUE(connection.registerVirtualObject(bus::objectPath, &holder));
    ASSERT_TRUE(connection.registerService(bus::serviceName));
    MonitorSimulator monitor({3, 2, 1}, nullptr);

    // This thread takes no call while it waits for a program: none is answered.
    EXPECT_THAT(runMonctl({"--port", monitor.devicePath(), "get", "contrast"}).told(),
                FieldsAre(0, "contrast 3\n", HasSubstr("does not answer as monctl")));
    ASSERT_TRUE(processEventsUntil([&] { return holder.calls == 1; }));
    ChildProcess watch({MONCTL_PATH, "--port", monitor.devicePath(), "watch"});
    ASSERT_TRUE(processEventsUntil([&] { return holder.calls == 2; })) << "asking";
    watch.signal(SIGINT);
    EXPECT_EQ(watch.wait(5s), 0);
    start({&monitor});
    EXPECT_TRUE(monitor.waitForFrames(6, 10s)) << "probed and read back all the same";
    window->signal(SIGTERM);
    window->wait();
    EXPECT_THAT(window->errors(), HasSubstr("does not answer as monctl"));
}
