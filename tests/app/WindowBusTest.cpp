// The command line and a second start talking to a running window over a private session bus.
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/PrivateSessionBus.h"

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
