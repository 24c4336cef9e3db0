// The monctl command line, run as a user runs it, against simulated monitors.
#include "cli/MonitorListing.h"
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sstream>
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

std::string frame(const char* command) {
    return std::string("5FF5") + command + "000000000000A0FA";
}

QJsonDocument json(const std::string& text) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document;
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

    // The first to answer the probe tells nothing more; the other leaves while it is asked.
    MonitorSimulator mute;
    MonitorSimulator leaving;
    mute.setSilent(true);
    leaving.setAnswerDelay(500ms);
    ChildProcess get({MONCTL_PATH, "--all", "--port", leaving.devicePath(), "--port",
                      mute.devicePath(), "get", "contrast", "--timeout", "3"});
    ASSERT_TRUE(leaving.waitForFrames(1, 10s) && mute.waitForFrames(1, 10s));
    leaving.setAnswerDelay(0ms);
    mute.sendRaw(MonitorSimulator::identityReply());
    ASSERT_TRUE(mute.waitForFrames(2, 10s)) << "asked for its contrast";
    leaving.unplug();
    EXPECT_EQ(get.wait(20s), 1) << get.errors();
    EXPECT_NE(get.errors().find(leaving.devicePath() + ": the device went away"), std::string::npos)
        << get.errors();
    EXPECT_NE(get.errors().find(mute.devicePath() + ": the monitor did not tell its contrast"),
              std::string::npos)
        << get.errors();
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

// -v tells in sentences what was found, chosen and sent; the protocol trace keeps its old
// wording and comes only when asked for.
TEST(MonctlCli, VerboseLogReadsAsSentencesAndTheTraceComesOnlyWhenAsked) {
    MonitorSimulator monitor;
    const auto path = monitor.devicePath();
    const std::vector<std::string> traceLines{"startPinAvailablePorts11111", "end222222222",
                                              "接受消息***********command = F0",
                                              "[writeBuffer length] 24l"};
    const auto verbose = runMonctl({"--port", path, "get", "all", "-v"});
    EXPECT_EQ(verbose.status, 0) << verbose.errors;
    for (const auto& sentence :
         {path + ": probing", path + ": answered the probe: a monitor",
          path + ": a read-back of the mode: sending (5FF50A02", path + ": reports mode text",
          path + ": a read-back of the speed: sent"})
        EXPECT_NE(verbose.errors.find(sentence), std::string::npos) << sentence << verbose.errors;
    std::istringstream logged(verbose.errors);
    for (std::string line; std::getline(logged, line);)
        EXPECT_EQ(line.rfind('[', 0), 0U) << "not through the log: " << line;
    for (const auto& line : traceLines)
        EXPECT_EQ(verbose.errors.find(line), std::string::npos) << line;
    EXPECT_EQ(runMonctl({"--port", path, "get", "all"}).errors, "") << "quiet without -v";
    for (const auto& asked : {"--trace", "-vv"}) {
        const auto traced = runMonctl({"--port", path, "get", "all", asked});
        for (const auto& line : traceLines)
            EXPECT_NE(traced.errors.find(line), std::string::npos) << asked << " " << line;
    }
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
    std::string plainFile = ::testing::TempDir() + "monctl-plain-XXXXXX";
    ::close(::mkstemp(plainFile.data())); // a name of its own: two runs may share the folder
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

// A change of contrast counts from what the monitor reports, and stops at 1 and 9; without
// its answer nothing is sent.
TEST(MonctlCli, ContrastChangesByStepsFromWhatTheMonitorReports) {
    MonitorSimulator monitor({8, 2, 1}, nullptr);
    const auto change = [&](const char* step, std::size_t frames = 3) {
        const auto before = monitor.receivedFrames().size();
        const auto run = runMonctl({"--port", monitor.devicePath(), "set", "contrast", step});
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_TRUE(monitor.waitForFrames(before + frames, 5s)) << "probe, read-back, set";
        return monitor.receivedFrames().back();
    };
    EXPECT_EQ(change("+1"), frame("0109"));
    EXPECT_EQ(change("+1"), frame("0109")) << "9 is the highest";
    EXPECT_EQ(change("-1"), frame("0108"));
    EXPECT_EQ(change("-20"), frame("0101"));
    EXPECT_EQ(change("-1"), frame("0101")) << "1 is the lowest";
    EXPECT_EQ(change("7", 2), frame("0107")) << "a plain number stays absolute: nothing read";
    EXPECT_EQ(runMonctl({"--port", monitor.devicePath(), "set", "speed", "+1"}).status, 2);

    MonitorSimulator mute;
    mute.setSilent(true);
    const auto path = mute.devicePath();
    ChildProcess program({MONCTL_PATH, "--port", path, "--timeout", "2", "set", "contrast", "+1"});
    ASSERT_TRUE(mute.waitForFrames(1, 5s));
    mute.sendRaw(MonitorSimulator::identityReply()); // the probe alone is answered
    EXPECT_EQ(program.wait(20s), 1);
    EXPECT_EQ(program.errors(), "monctl: the monitor did not tell its contrast\n");
    EXPECT_EQ(mute.receivedFrames(), (std::vector<std::string>{probe, frame("0A01")}));
}

// Presets and the schedule live in the preferences file of the test's own.
TEST(MonctlCli, PresetsAreSavedFromTheMonitorAppliedListedDeletedAndScheduled) {
    QTemporaryDir home;
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", home.path().toStdString());
    const auto file = home.filePath("monctl/monctl.conf");
    MonitorSimulator monitor({7, 2, 1}, nullptr);
    const std::string port = monitor.devicePath();

    auto run = runMonctl({"--port", port, "preset", "save", "reading"});
    EXPECT_EQ(run.status, 0) << run.errors;
    const auto saved = contentOf(file);
    run = runMonctl({"--port", port, "preset", "save", "a=b"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(
        run.errors,
        "monctl: preset: a preset's name may not hold control characters, =, [, ], / or \\\n");
    EXPECT_EQ(contentOf(file), saved);

    runMonctl({"--port", port, "set", "mode", "video"});
    ASSERT_TRUE(monitor.waitForFrames(6, 5s)) << "probed, read back thrice; probed, set";
    run = runMonctl({"--port", port, "preset", "reading"});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(monitor.waitForFrames(10, 5s)) << "probed, then three frames";
    const auto frames = monitor.receivedFrames();
    EXPECT_EQ(std::vector(frames.end() - 3, frames.end()),
              (std::vector{frame("0107"), frame("0202"), frame("0401")}));
    EXPECT_EQ(runMonctl({"--port", port, "preset", "film"}).status, 2) << "no such preset";

    EXPECT_EQ(runMonctl({"preset", "list"}).output, "reading\tcontrast 7 mode text speed 1\n");
    const auto listed = json(runMonctl({"preset", "list", "--json"}).output).array();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].toObject(),
              (QJsonObject{{"name", "reading"}, {"contrast", 7}, {"mode", "text"}, {"speed", 1}}));

    EXPECT_EQ(runMonctl({"schedule", "add", "07:30", "reading"}).status, 0);
    EXPECT_EQ(runMonctl({"schedule", "add", "08:00", "film"}).status, 2);
    EXPECT_EQ(runMonctl({"schedule", "add", "7:30", "reading"}).status, 2);
    EXPECT_EQ(runMonctl({"schedule", "list"}).output, "07:30 reading\n");
    EXPECT_EQ(runMonctl({"schedule", "delete", "07:30"}).status, 0);
    EXPECT_EQ(runMonctl({"schedule", "delete", "07:30"}).status, 2);
    EXPECT_EQ(runMonctl({"schedule", "list"}).output, "");

    // Rules for the application in front: one key written at a time, beside what another
    // program holding the file open writes meanwhile.
    QSettings otherWriter(file, QSettings::IniFormat);
    const auto before = contentOf(file);
    run = runMonctl({"app-preset", "mpv", "film"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.errors, "monctl: no preset named film\n");
    EXPECT_EQ(contentOf(file), before) << "nothing stored";
    EXPECT_EQ(runMonctl({"app-preset", "a/b", "reading"}).status, 2);
    for (const auto& [application, preset] :
         std::vector<std::pair<const char*, const char*>>{{"org.kde.Konsole", "reading"},
                                                          {"*", "reading"},
                                                          {"ORG.KDE.KONSOLE", "reading"},
                                                          {"list", "reading"}}) {
        const std::vector<std::string> words =
            std::string_view(application) == "list"
                ? std::vector<std::string>{"app-preset", "set", application, preset}
                : std::vector<std::string>{"app-preset", application, preset};
        run = runMonctl(words);
        EXPECT_EQ(run.status, 0) << application << run.errors;
    }
    otherWriter.setValue("monitors/A10KZP4M", "elsewhere");
    otherWriter.sync();
    EXPECT_EQ(runMonctl({"app-preset", "list"}).output,
              "*\treading\nlist\treading\nORG.KDE.KONSOLE\treading\n");
    EXPECT_EQ(runMonctl({"app-preset", "delete", "org.kde.konsole"}).status, 0);
    EXPECT_EQ(runMonctl({"app-preset", "delete", "org.kde.konsole"}).status, 2);
    EXPECT_EQ(runMonctl({"app-preset", "list"}).output, "*\treading\nlist\treading\n");
    EXPECT_TRUE(contentOf(file).contains("A10KZP4M=elsewhere")) << contentOf(file).constData();

    EXPECT_EQ(runMonctl({"preset", "delete", "reading"}).status, 0);
    EXPECT_EQ(runMonctl({"preset", "delete", "reading"}).status, 2);
    EXPECT_EQ(runMonctl({"preset", "list"}).output, "");
}

TEST(MonctlCli, JsonGivesOneDocumentOfTheMonitorsAndTheirSettings) {
    MonitorSimulator first({2, 2, 1}, nullptr);
    MonitorSimulator second({8, 3, 5}, nullptr);
    const std::vector<std::string> both{"--port", first.devicePath(), "--port", second.devicePath(),
                                        "--json"};
    const auto with = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), both.begin(), both.end());
        const auto run = runMonctl(arguments);
        EXPECT_EQ(run.status, 0) << run.errors;
        return json(run.output);
    };
    const auto list = with({"list"}).array();
    ASSERT_EQ(list.size(), 2);
    for (const auto& entry : list) {
        const auto monitor = entry.toObject();
        const auto path = monitor["path"].toString().toStdString();
        EXPECT_TRUE(path == first.devicePath() || path == second.devicePath()) << path;
        EXPECT_EQ(monitor["name"].toString().toStdString(),
                  std::filesystem::path(path).filename().string());
        EXPECT_TRUE(monitor["adapter"].isNull()) << "a pseudo-terminal has no USB adapter";
    }
    const auto all = with({"--all", "get", "all"}).object();
    EXPECT_EQ(all[QString::fromStdString(second.devicePath())].toObject(),
              (QJsonObject{{"contrast", 8}, {"mode", "graphic"}, {"speed", 5}}));
    EXPECT_EQ(all.size(), 2);
    EXPECT_EQ(json(runMonctl({"--port", first.devicePath(), "--json", "get", "contrast"}).output)
                  .object(),
              (QJsonObject{{"contrast", 2}}));
    EXPECT_EQ(runMonctl({"--json", "watch"}).status, 2);
}

TEST(MonitorListing, PicksTheMonitorByTheSerialNumberOfItsAdapter) {
    const std::vector<ListedMonitor> monitors{
        {"pts3", "/dev/pts/3", std::nullopt},
        {"ttyUSB0", "/dev/ttyUSB0", UsbAdapter{"FTDI", "FT232R USB UART", "A10KZP4M"}},
        {"ttyUSB1", "/dev/ttyUSB1", UsbAdapter{"FTDI", "FT232R USB UART", ""}}};
    EXPECT_EQ(monitorWithSerial(monitors, "A10KZP4M")->path, "/dev/ttyUSB0");
    EXPECT_FALSE(monitorWithSerial(monitors, "B2"));
    EXPECT_FALSE(monitorWithSerial(monitors, "")) << "not an adapter without one";
}
