// `monctl doctor` as a user runs it, against simulated monitors and devices it may not use.
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gmock/gmock.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

std::string doctor(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"doctor", "--timeout", "0.5"});
    ChildProcess program(arguments);
    EXPECT_EQ(program.wait(20s), 0) << program.errors();
    return program.output();
}

// The lines of the report about one device; none when it does not name the device.
std::string section(const std::string& report, const std::string& path) {
    const auto start = std::min(report.find("  " + path + "\n"), report.size());
    return report.substr(start, report.find("\n  /", start + 1) - start);
}

} // namespace

TEST(Doctor, ExplainsAMonitorASilentDeviceABusyOneAndAForbiddenOne) {
    QTemporaryDir home;
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", home.path().toStdString());
    ASSERT_TRUE(QDir(home.path()).mkdir("monctl"));
    std::ofstream(home.filePath("monctl/monctl.conf").toStdString()) << "language=1\n";
    MonitorSimulator monitor;
    const auto path = monitor.devicePath();
    MonitorSimulator silent;
    silent.setSilent(true);
    // Left in exclusive mode by a program that has ended: the line stays so while its far end
    // is open.
    const int excluding = ::open(silent.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::ioctl(excluding, TIOCEXCL), 0);
    ::close(excluding);
    // Held by another program, while this process, the simulator, has both ends open.
    MonitorSimulator busy;
    ChildProcess holder({"flock", "--no-fork", "--nonblock", busy.devicePath(), "sh", "-c",
                         "echo $$; exec sleep 60"});
    const auto holderPid = holder.readLine();
    const auto report = doctor(
        {MONCTL_PATH, "--port", path, "--port", silent.devicePath(), "--port", busy.devicePath()});
    // Nobody's pseudo-terminal: mode 0600, owned by root.
    const auto forbidden = doctor({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   MONCTL_PATH, "--port", path});
    const std::vector<std::pair<std::string, std::vector<std::string>>> told{
        {section(report, path),
         {"adapter: none (no USB device behind it)", "access: this user can open it",
          "probe: answered as a monitor",
          "held by: no other process this user can see\n    probe"}},
        {section(report, silent.devicePath()),
         {"held by: no other process this user can see\n    exclusive mode: on (TIOCEXCL)",
          "probe: no answer within 500 ms"}},
        {section(report, busy.devicePath()),
         {"held by: sleep (" + holderPid + ")\n", "probe: not sent (Device or resource busy"}},
        {section(forbidden, path),
         {"access: this user cannot open it (Permission denied)\n    fix: " + path +
              " may be opened by its owner and root alone: a udev rule",
          "GROUP=\"dialout\", MODE=\"0660\"", "probe: not sent (this user cannot open it)"}},
        {report,
         {"Session: ", "Backends:\n  input: ", "Hot-plug: ", "ModemManager: ", "brltty: ",
          "Preferences: "}}};
    for (const auto& [text, parts] : told)
        for (const auto& part : parts)
            EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
    EXPECT_EQ(forbidden.find("-aG root"), std::string::npos) << forbidden;

    const auto device = QJsonDocument::fromJson(
        QByteArray::fromStdString(doctor({MONCTL_PATH, "--json", "--port", path})))["devices"][0];
    EXPECT_EQ(device["path"].toString().toStdString(), path);
    EXPECT_EQ(device["probe"].toString(), "answered as a monitor");
}

TEST(Doctor, EndsAndSaysSoWhenTheXServerDoesNotAnswer) {
    ChildProcess server({"Xvfb", "-displayfd", "1", "-nolisten", "tcp"});
    const auto display = server.readLine(10s);
    ASSERT_FALSE(display.empty()) << server.errors();
    server.signal(SIGSTOP);
    ScopedEnvironment environment;
    environment.set("DISPLAY", ":" + display);
    environment.set("MONCTL_PLATFORM", "x11");
    // It ends within the time doctor() waits for it.
    EXPECT_THAT(doctor({MONCTL_PATH}),
                ::testing::HasSubstr("input: none (the X server at DISPLAY=:" + display +
                                     " did not answer within 1500 ms)"));
    server.signal(SIGCONT);
}
