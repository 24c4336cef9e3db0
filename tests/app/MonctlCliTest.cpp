// The monctl command line, run as a user runs it, against simulated monitors.
#include "cli/MonitorListing.h"
#include "support/BusSession.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <csignal>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;
using ::testing::FieldsAre;
using ::testing::HasSubstr;

namespace {

// A session bus of the binary's own, with no monctl window on it: the commands reach the
// monitors themselves even on a desktop where a person's monctl runs.
class OwnSessionBus : public testing::Environment {
    void SetUp() override { m_bus = std::make_unique<PrivateSessionBus>(); }
    void TearDown() override { m_bus.reset(); }
    std::unique_ptr<PrivateSessionBus> m_bus;
};
const auto* const ownSessionBus = testing::AddGlobalTestEnvironment(new OwnSessionBus);

const std::string probe = frame("0A10");

QJsonDocument json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text));
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// monctl run with a command line as a person types it (no word holds a space).
Outcome typed(const std::string& line) {
    std::istringstream words(line);
    return runMonctl({std::istream_iterator<std::string>(words), {}});
}

using Told = std::tuple<int, std::string, std::string>;

// The exit status and output of each command, in order.
std::vector<std::pair<int, std::string>> answersTo(const std::vector<std::string>& commands) {
    std::vector<std::pair<int, std::string>> all;
    for (const auto& command : commands) {
        const auto run = typed(command);
        all.emplace_back(run.status, run.output);
    }
    return all;
}

} // namespace

// A change of contrast counts from what the monitor reports, and stops at 1 and 9; without
// its answer nothing is sent. Presets and the schedule live in the preferences file of the
// test's own.
TEST(MonctlCli, SetsStepsReadsBackRefreshesSynchronisesAndKeepsPresetsAndTheirSchedule) {
    QTemporaryDir home;
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", home.path().toStdString());
    const auto file = home.filePath("monctl/monctl.conf");
    MonitorSimulator monitor({5, 3, 3}, nullptr);
    const auto on = "--port " + monitor.devicePath() + " ";
    const auto get = [&](const char* what) { return typed(on + "get " + what).output; };
    EXPECT_EQ(get("all"), "contrast 5\nmode graphic\nspeed 3\n");
    // monctl may end before the monitor has read what it wrote: the probe, any read-back and
    // the command.
    const auto command = [&](const std::string& line, std::size_t frames = 2) {
        const auto before = monitor.receivedFrames().size();
        EXPECT_EQ(typed(on + line).told(), Told(0, "", ""));
        EXPECT_TRUE(monitor.waitForFrames(before + frames, 5s)) << line;
        return monitor.receivedFrames().back();
    };
    EXPECT_EQ(command("set contrast 8"), frame("0108"));
    EXPECT_EQ(command("set mode video"), frame("0204"));
    for (const auto* line : {"set speed 5", "refresh", "sync-time"})
        command(line);
    EXPECT_EQ(std::pair(monitor.fastRefreshCount(), monitor.timeSyncCount()), std::pair(1, 1));
    EXPECT_EQ(get("all") + get("mode"), "contrast 8\nmode video\nspeed 5\nmode video\n");

    EXPECT_EQ(command("set contrast +1", 3), frame("0109"));
    EXPECT_EQ(command("set contrast +1", 3), frame("0109")) << "9 is the highest";
    EXPECT_EQ(command("set contrast -1", 3), frame("0108"));
    EXPECT_EQ(command("set contrast -20", 3), frame("0101"));
    EXPECT_EQ(command("set contrast -1", 3), frame("0101")) << "1 is the lowest";
    EXPECT_EQ(command("set contrast 7"), frame("0107")) << "a plain number stays absolute";
    EXPECT_EQ(typed(on + "set speed +1").status, 2);

    MonitorSimulator mute;
    mute.setSilent(true);
    ChildProcess program(
        {MONCTL_PATH, "--port", mute.devicePath(), "--timeout", "2", "set", "contrast", "+1"});
    ASSERT_TRUE(mute.waitForFrames(1, 5s));
    mute.sendRaw(MonitorSimulator::identityReply()); // the probe alone is answered
    EXPECT_EQ(program.wait(20s), 1);
    EXPECT_EQ(program.errors(), "monctl: the monitor did not tell its contrast\n");
    EXPECT_EQ(mute.receivedFrames(), (std::vector<std::string>{probe, frame("0A01")}));

    EXPECT_EQ(command("preset save reading", 4), frame("0A04"));
    const auto saved = contentOf(file);
    EXPECT_EQ(typed(on + "preset save a=b").told(),
              Told(2, "",
                   "monctl: preset: a preset's name may not hold control characters, =, [, ], / "
                   "or \\\n"));
    EXPECT_EQ(contentOf(file), saved);

    command("set mode text");
    command("preset reading", 4);
    const auto received = monitor.receivedFrames();
    EXPECT_EQ(std::vector(received.end() - 3, received.end()), frames({"0107", "0204", "0405"}));
    EXPECT_EQ(typed(on + "preset film").status, 2) << "no such preset";

    EXPECT_EQ(runMonctl({"preset", "list"}).output, "reading\tcontrast 7 mode video speed 5\n");
    const auto listed = json(runMonctl({"preset", "list", "--json"}).output).array();
    EXPECT_EQ(listed, (QJsonArray{QJsonObject{
                          {"name", "reading"}, {"contrast", 7}, {"mode", "video"}, {"speed", 5}}}));

    using Answers = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(
        answersTo({"schedule add 07:30 reading", "schedule add 08:00 film",
                   "schedule add 7:30 reading", "schedule list", "schedule delete 07:30",
                   "schedule delete 07:30", "schedule list"}),
        (Answers{{0, ""}, {2, ""}, {2, ""}, {0, "07:30 reading\n"}, {0, ""}, {2, ""}, {0, ""}}));

    // Rules for the application in front: one key written at a time, beside what another
    // program holding the file open writes meanwhile.
    QSettings otherWriter(file, QSettings::IniFormat);
    const auto before = contentOf(file);
    EXPECT_EQ(typed("app-preset mpv film").told(), Told(2, "", "monctl: no preset named film\n"));
    EXPECT_EQ(contentOf(file), before) << "nothing stored";
    EXPECT_EQ(answersTo({"app-preset a/b reading", "app-preset org.kde.Konsole reading",
                         "app-preset * reading", "app-preset ORG.KDE.KONSOLE reading",
                         "app-preset set list reading"}),
              (Answers{{2, ""}, {0, ""}, {0, ""}, {0, ""}, {0, ""}}));
    otherWriter.setValue("monitors/A10KZP4M", "elsewhere");
    otherWriter.sync();
    EXPECT_EQ(runMonctl({"app-preset", "list"}).output,
              "*\treading\nlist\treading\nORG.KDE.KONSOLE\treading\n");
    EXPECT_EQ(answersTo({"app-preset delete org.kde.konsole", "app-preset delete org.kde.konsole",
                         "app-preset list"}),
              (Answers{{0, ""}, {2, ""}, {0, "*\treading\nlist\treading\n"}}));
    EXPECT_TRUE(contentOf(file).contains("A10KZP4M=elsewhere")) << contentOf(file).constData();

    EXPECT_EQ(answersTo({"preset delete reading", "preset delete reading", "preset list"}),
              (Answers{{0, ""}, {2, ""}, {0, ""}}));
}

// Monitors are listed in the order they answered. With --all each monitor that answers gets
// the command once, and tells its values on a line of its own; --json gives one document instead.
TEST(MonctlCli, ListsInTheOrderOfTheAnswersAndAllReachesEveryMonitorOnce) {
    MonitorSimulator first({2, 2, 1}, nullptr);
    MonitorSimulator second({8, 3, 5}, nullptr);
    MonitorSimulator silent;
    second.setAnswerDelay(150ms);
    silent.setSilent(true);
    EXPECT_EQ(typed("--port " + second.devicePath() + " list --port " + first.devicePath() +
                    " --port " + silent.devicePath())
                  .told(),
              Told(0, listLine(first) + listLine(second), ""));
    EXPECT_EQ(silent.receivedFrames(), std::vector<std::string>{probe});
    const auto both = "--port " + first.devicePath() + " --port " + second.devicePath() + " ";
    EXPECT_EQ(typed(both + "--all set contrast 4").status, 0);
    ASSERT_TRUE(first.waitForFrames(3, 5s) && second.waitForFrames(3, 5s));
    for (const auto* monitor : {&first, &second})
        EXPECT_EQ(monitor->receivedFrames(), frames({"0A10", "0A10", "0104"}));
    const auto run = typed(both + "--all get all");
    const auto one = first.devicePath() + " contrast 4 mode text speed 1\n";
    const auto two = second.devicePath() + " contrast 4 mode graphic speed 5\n";
    EXPECT_TRUE(run.output == one + two || run.output == two + one) << run.output << run.errors;
    EXPECT_EQ(typed(both + "--all list").status, 2) << "--all is for commands to monitors";
    const auto all = json(typed(both + "--all --json get all").output).object();
    EXPECT_EQ(all[QString::fromStdString(second.devicePath())].toObject(),
              (QJsonObject{{"contrast", 4}, {"mode", "graphic"}, {"speed", 5}}));
    EXPECT_EQ(all.size(), 2);
    const auto entryOf = [](const MonitorSimulator& monitor) {
        const auto path = QString::fromStdString(monitor.devicePath());
        return QJsonObject{
            {"name", QFileInfo(path).fileName()}, {"path", path}, {"adapter", QJsonValue::Null}};
    };
    EXPECT_EQ(json(typed(both + "--json list").output).array(),
              (QJsonArray{entryOf(first), entryOf(second)}));
    EXPECT_EQ(json(typed("--port " + first.devicePath() + " --json get contrast").output).object(),
              (QJsonObject{{"contrast", 4}}));
    EXPECT_EQ(runMonctl({"--json", "watch"}).status, 2);

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
    EXPECT_EQ(get.wait(20s), 1);
    EXPECT_THAT(
        get.errors(),
        ::testing::AllOf(HasSubstr(leaving.devicePath() + ": the device went away"),
                         HasSubstr(mute.devicePath() + ": the monitor did not tell its contrast")));
}

TEST(MonctlCli, BadInputIsRefusedBeforeAnythingIsSent) {
    MonitorSimulator monitor;
    const std::string port = monitor.devicePath();
    for (const auto* command : {"set contrast 12", "set contrast 0", "set contrast 7x",
                                "set speed 6", "set mode blue", "get colour", "frobnicate",
                                "--timeout -1 list", "--timeout nan list", "list --timeout inf"})
        EXPECT_THAT(typed("--port " + port + " " + command).told(),
                    FieldsAre(2, "", ::testing::StartsWith("monctl: ")))
            << command;
    EXPECT_EQ(runMonctl({"--port", "", "--port", port, "list"}).status, 2);
    EXPECT_EQ(typed("--port " + port + " --timeout soon list").told(),
              Told(2, "", "monctl: --timeout: soon is not a number\n"));
    EXPECT_TRUE(monitor.receivedFrames().empty());
    EXPECT_EQ(runMonctl({"--help"}).status, 0);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    EXPECT_THAT(runMonctl({"--port", port}).told(), FieldsAre(1, "", HasSubstr("no display")));
    EXPECT_EQ(runMonctl({"--version"}).output, "monctl 0.1.0\n");
}

// -v tells in sentences what was found, chosen and sent; the protocol trace keeps its old
// wording and comes only when asked for. A watch prints reports and buttons until interrupted.
TEST(MonctlCli, VerboseLogAndTraceComeWhenAskedAndAWatchPrintsEvents) {
    MonitorSimulator monitor;
    const auto path = monitor.devicePath();
    const auto verbose = runMonctl({"--port", path, "get", "all", "-v"});
    for (const auto& sentence :
         {path + ": probing", path + ": answered the probe: a monitor",
          path + ": a read-back of the mode: sending (5FF50A02", path + ": reports mode text",
          path + ": a read-back of the speed: sent"})
        EXPECT_NE(verbose.errors.find(sentence), std::string::npos) << sentence << verbose.errors;
    EXPECT_THAT(verbose.errors, ::testing::Not(::testing::ContainsRegex("(^|\n)[^[]")))
        << "a line not through the log";
    for (const auto& asked : {"-v", "--trace", "-vv"}) {
        const auto traced = runMonctl({"--port", path, "get", "all", asked}).errors;
        for (const auto* line : {"startPinAvailablePorts11111", "end222222222",
                                 "接受消息***********command = F0", "[writeBuffer length] 24l"})
            EXPECT_EQ(traced.find(line) != std::string::npos, asked != std::string("-v"))
                << asked << " " << line;
    }

    const auto before = monitor.receivedFrames().size();
    ChildProcess watch({MONCTL_PATH, "watch", "--port", path, "-v"});
    ASSERT_TRUE(monitor.waitForFrames(before + 1, 5s));
    // Sent after the identity reply, so they come from a monitor already listed.
    monitor.sendButton(3);
    monitor.sendSettingReport(1, 7);
    for (int button : {11, 18, 20})
        monitor.sendButton(button);
    for (const char* line :
         {"key down", "contrast 7", "click left", "long-move 70 0", "long-move end"})
        EXPECT_EQ(watch.readLine(), line);
    watch.signal(SIGTERM);
    EXPECT_EQ(watch.wait(), 0);
}

// A device that cannot be used is named with the reason; failures of the line end the command
// at once; none of them is ever reported as success.
TEST(MonctlCli, ADeviceThatCannotServeIsNamedWithTheReason) {
    std::string plainFile = ::testing::TempDir() + "monctl-plain-XXXXXX";
    ::close(::mkstemp(plainFile.data())); // a name of its own: two runs may share the folder
    MonitorSimulator busy;
    const int holder = ::open(busy.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    MonitorSimulator silent;
    silent.setSilent(true);
    const std::vector<std::tuple<std::string, int, std::string>> cases{
        {"--port /dev/no-such-port list", 3, "/dev/no-such-port: No such file or directory"},
        {"--port " + busy.devicePath() + " get all", 3,
         busy.devicePath() + ": Device or resource busy"},
        {"--port " + plainFile + " list", 3, plainFile + ": not a serial device"},
        {"--port /dev/null list", 3, "/dev/null: not a serial device"},
        {"--port " + silent.devicePath() + " --timeout 0.3 set contrast 4", 1, "no monitor found"}};
    for (const auto& [line, status, reason] : cases)
        EXPECT_EQ(typed(line).told(), Told(status, "", "monctl: " + reason + "\n"));
    EXPECT_EQ(silent.receivedFrames(), std::vector<std::string>{probe}) << "nothing but the probe";
    ::close(holder);
    ::unlink(plainFile.c_str());

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

    // Root opens any node: the user who may not is played by nobody, without groups.
    const group* dialout = ::getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group";
    MonitorSimulator guarded;
    const auto path = guarded.devicePath();
    ASSERT_EQ(::chown(path.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    ChildProcess program({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                          MONCTL_PATH, "--port", path, "list"});
    EXPECT_EQ(program.wait(20s), 3);
    EXPECT_EQ(program.errors(), "monctl: " + path + ": Permission denied\nmonctl: " + path +
                                    " belongs to the group dialout; add yourself to it with "
                                    "\"sudo usermod -aG dialout $USER\", then log out and in "
                                    "again.\n");
    EXPECT_TRUE(guarded.receivedFrames().empty());
}

TEST(MonitorListing, PicksTheMonitorByTheSerialNumberOfItsAdapter) {
    const std::vector<ListedMonitor> monitors{
        {"pts3", "/dev/pts/3", std::nullopt},
        {"ttyUSB0", "/dev/ttyUSB0", UsbAdapter{"FTDI", "FT232R USB UART", "A10KZP4M"}},
        {"ttyUSB1", "/dev/ttyUSB1", UsbAdapter{"FTDI", "FT232R USB UART", ""}}};
    EXPECT_EQ(monitorWithSerial(monitors, "A10KZP4M")->path, "/dev/ttyUSB0");
    EXPECT_FALSE(monitorWithSerial(monitors, "")) << "not an adapter without one";
    EXPECT_FALSE(monitorWithSerial(monitors, "B2"));
}
