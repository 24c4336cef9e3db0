// The monctl command line, run as a user runs it, against simulated monitors.
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

struct Run {
    int status;
    std::string output;
    std::string errors;
};

Run runMonctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), MONCTL_PATH);
    ChildProcess program(arguments);
    const int status = program.wait(20s);
    return {status, program.output(), program.errors()};
}

const std::string probe = "5FF50A10000000000000A0FA";

} // namespace

TEST(MonctlCli, ListsTheMonitorsAmongThePortsInTheOrderTheyAnswered) {
    MonitorSimulator first;
    MonitorSimulator second;
    MonitorSimulator silent;
    second.setAnswerDelay(150ms);
    silent.setSilent(true);
    const auto run = runMonctl({"--port", second.devicePath(), "list", "--port", first.devicePath(),
                                "--port", silent.devicePath()});
    EXPECT_EQ(run.status, 0) << run.errors;
    const auto name = [](const MonitorSimulator& s) {
        return std::filesystem::path(s.devicePath()).filename().string();
    };
    EXPECT_EQ(run.output, name(first) + " " + first.devicePath() + "\n" + name(second) + " " +
                              second.devicePath() + "\n");
    EXPECT_EQ(silent.receivedFrames(), std::vector<std::string>{probe});
    EXPECT_EQ(run.errors.find("was opened"), std::string::npos) << "told with -v only";
}

TEST(MonctlCli, SetsReadsBackRefreshesAndSynchronisesTheActiveMonitor) {
    MonitorSimulator monitor({5, 3, 3}, nullptr);
    const std::string port = monitor.devicePath();

    auto run = runMonctl({"--port", port, "get", "all"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "contrast 5\nmode graphic\nspeed 3\n");

    // monctl may end before the monitor has read what it wrote: the probe and the command.
    const auto command = [&](std::vector<std::string> arguments) {
        const auto before = monitor.receivedFrames().size();
        arguments.insert(arguments.begin(), {"--port", port});
        const auto done = runMonctl(arguments);
        EXPECT_TRUE(monitor.waitForFrames(before + 2, 5s)) << arguments.back();
        return done;
    };
    run = command({"set", "contrast", "7"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(monitor.receivedFrames().back(), "5FF50107000000000000A0FA");
    run = command({"set", "mode", "video"});
    EXPECT_EQ(monitor.receivedFrames().back(), "5FF50204000000000000A0FA");
    run = command({"set", "speed", "5"});
    run = command({"refresh"});
    run = command({"sync-time"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(monitor.fastRefreshCount(), 1);
    EXPECT_EQ(monitor.timeSyncCount(), 1);

    run = runMonctl({"--port", port, "get", "mode"});
    EXPECT_EQ(run.output, "mode video\n");
    run = runMonctl({"--port", port, "get", "contrast"});
    EXPECT_EQ(run.output, "contrast 7\n");
    run = runMonctl({"--port", port, "get", "speed"});
    EXPECT_EQ(run.output, "speed 5\n");
}

// With --all each monitor that answers gets the command once, and tells its values on a
// line of its own.
TEST(MonctlCli, AllReachesEveryMonitorOnce) {
    MonitorSimulator first({2, 2, 1}, nullptr);
    MonitorSimulator second({8, 3, 5}, nullptr);
    const std::vector<std::string> both{"--port", first.devicePath(), "--port", second.devicePath(),
                                        "--all"};
    const auto with = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), both.begin(), both.end());
        return runMonctl(arguments);
    };
    auto run = with({"set", "contrast", "4"});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(first.waitForFrames(2, 5s) && second.waitForFrames(2, 5s));
    for (const auto* monitor : {&first, &second})
        EXPECT_EQ(monitor->receivedFrames(),
                  (std::vector<std::string>{probe, "5FF50104000000000000A0FA"}));
    run = with({"get", "all"});
    EXPECT_EQ(run.status, 0) << run.errors;
    const auto lineOf = [](const MonitorSimulator& monitor, const char* values) {
        return monitor.devicePath() + " " + values + "\n";
    };
    const auto one = lineOf(first, "contrast 4 mode text speed 1");
    const auto two = lineOf(second, "contrast 4 mode graphic speed 5");
    EXPECT_TRUE(run.output == one + two || run.output == two + one) << run.output;
    EXPECT_EQ(with({"list"}).status, 2) << "--all is for commands to monitors";
}

TEST(MonctlCli, BadInputIsRefusedBeforeAnythingIsSent) {
    MonitorSimulator monitor;
    const std::string port = monitor.devicePath();
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{"--port", port, "set", "contrast", "12"},
                                               {"--port", port, "set", "contrast", "0"},
                                               {"--port", port, "set", "contrast", "7x"},
                                               {"--port", port, "set", "speed", "6"},
                                               {"--port", port, "set", "mode", "blue"},
                                               {"--port", port, "get", "colour"},
                                               {"--port", port, "frobnicate"},
                                               {"--port", port, "--timeout", "-1", "list"},
                                               {"--port", port, "--timeout", "nan", "list"},
                                               {"list", "--port", port, "--timeout", "inf"},
                                               {"--port", "", "--port", port, "list"}}) {
        const auto run = runMonctl(arguments);
        EXPECT_EQ(run.status, 2) << arguments[2] << " " << run.errors;
        EXPECT_NE(run.errors.find("monctl: "), std::string::npos) << run.errors;
        EXPECT_EQ(run.output, "");
    }
    const auto notANumber = runMonctl({"--port", port, "--timeout", "soon", "list"});
    EXPECT_EQ(notANumber.status, 2);
    EXPECT_EQ(notANumber.errors, "monctl: --timeout: soon is not a number\n");
    EXPECT_TRUE(monitor.receivedFrames().empty());
    EXPECT_EQ(runMonctl({"--help"}).status, 0);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    const auto noDesktop = runMonctl({"--port", port});
    EXPECT_EQ(noDesktop.status, 1) << "the window needs a display";
    EXPECT_NE(noDesktop.errors.find("no display"), std::string::npos) << noDesktop.errors;
    EXPECT_EQ(runMonctl({"--version"}).output, "monctl 0.1.0\n");
}

TEST(MonctlCli, DevicesThatCannotBeOpenedAreNamedWithTheReason) {
    auto run = runMonctl({"--port", "/dev/no-such-port", "list"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors, "monctl: /dev/no-such-port: No such file or directory\n");

    MonitorSimulator monitor;
    const int holder = ::open(monitor.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    run = runMonctl({"--port", monitor.devicePath(), "get", "all"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.errors.find("monctl: " + monitor.devicePath() + ": Device or resource busy\n"),
              std::string::npos)
        << run.errors;
    EXPECT_EQ(run.output, "");
    ::close(holder);
}

// Root opens any node: the user who may not is played by nobody, without groups.
TEST(MonctlCli, ADeviceThisUserMayNotOpenNamesTheGroupThatMay) {
    const group* dialout = ::getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group";
    MonitorSimulator monitor;
    const auto path = monitor.devicePath();
    ASSERT_EQ(::chown(path.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    ChildProcess program({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                          MONCTL_PATH, "--port", path, "list"});
    EXPECT_EQ(program.wait(20s), 3);
    EXPECT_EQ(program.errors(), "monctl: " + path + ": Permission denied\nmonctl: " + path +
                                    " belongs to the group dialout; add yourself to it with "
                                    "\"sudo usermod -aG dialout $USER\", then log out and in "
                                    "again.\n");
    EXPECT_TRUE(monitor.receivedFrames().empty());
}

TEST(MonctlCli, ADeviceThatIsNoMonitorHearsOnlyTheProbe) {
    MonitorSimulator silent;
    silent.setSilent(true);
    const auto run =
        runMonctl({"--port", silent.devicePath(), "--timeout", "0.3", "set", "contrast", "4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("monctl: no monitor found"), std::string::npos) << run.errors;
    EXPECT_EQ(silent.receivedFrames(), std::vector<std::string>{probe});
}

TEST(MonctlCli, WatchPrintsReportsAndButtonsUntilInterrupted) {
    MonitorSimulator monitor;
    ChildProcess watch({MONCTL_PATH, "watch", "--port", monitor.devicePath(), "-v"});
    ASSERT_TRUE(monitor.waitForFrames(1, 5s));
    // Sent after the identity reply, so they come from a monitor already listed.
    monitor.sendButton(3);
    monitor.sendSettingReport(1, 7);
    monitor.sendButton(11);
    monitor.sendButton(18);
    monitor.sendButton(20);
    EXPECT_EQ(watch.readLine(), "key down");
    EXPECT_EQ(watch.readLine(), "contrast 7");
    EXPECT_EQ(watch.readLine(), "click left");
    EXPECT_EQ(watch.readLine(), "long-move 70 0");
    EXPECT_EQ(watch.readLine(), "long-move end");
    watch.signal(SIGTERM);
    EXPECT_EQ(watch.wait(), 0);
}

// Failures of the line end the command at once with the device and the reason.
TEST(MonctlCli, ALineThatFailsIsNamedAndNeverReportedAsSuccess) {
    const std::string plainFile = ::testing::TempDir() + "monctl-plain-file";
    std::fclose(std::fopen(plainFile.c_str(), "w"));
    auto run = runMonctl({"--port", plainFile, "list"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors, "monctl: " + plainFile + ": not a serial device\n");
    std::remove(plainFile.c_str());
    run = runMonctl({"--port", "/dev/null", "list"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.errors, "monctl: /dev/null: not a serial device\n") << "one plain line";

    // The monitor answers the probe, then goes away while it is asked for its contrast.
    MonitorSimulator monitor;
    monitor.setAnswerDelay(200ms);
    ChildProcess get(
        {MONCTL_PATH, "--port", monitor.devicePath(), "--timeout", "30", "get", "contrast"});
    ASSERT_TRUE(monitor.waitForFrames(2, 10s)) << "the probe, then the read-back";
    monitor.unplug();
    EXPECT_EQ(get.wait(10s), 1) << "ended by the unplug, not by the 30 s time-out";
    EXPECT_EQ(get.errors(), "monctl: " + monitor.devicePath() + ": the device went away\n");
    EXPECT_EQ(get.output(), "");
}
