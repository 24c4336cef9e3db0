// `monctl doctor` as a user runs it, against simulated monitors and devices it may not use.
#include "device/MonitorSimulator.h"
#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
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

// The lines of the report about one device.
std::string section(const std::string& report, const std::string& path) {
    const auto start = report.find("  " + path + "\n");
    if (start == std::string::npos)
        return {};
    return report.substr(start, report.find("\n  /", start + 1) - start);
}

} // namespace

TEST(Doctor, ExplainsAMonitorASilentDeviceABusyOneAndAForbiddenOne) {
    char home[] = "/tmp/monctl-doctor-XXXXXX";
    ASSERT_NE(::mkdtemp(home), nullptr);
    ::setenv("XDG_CONFIG_HOME", home, 1);
    std::filesystem::create_directory(std::string(home) + "/monctl");
    std::ofstream(std::string(home) + "/monctl/monctl.conf") << "language=1\n";
    MonitorSimulator monitor;
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
    ASSERT_FALSE(holderPid.empty()) << holder.errors();
    const auto report = doctor({MONCTL_PATH, "--port", monitor.devicePath(), "--port",
                                silent.devicePath(), "--port", busy.devicePath()});
    for (const auto* part : {"Session: ", "Backends:\n  input: ", "Hot-plug: ", "ModemManager: ",
                             "brltty: ", "Preferences: "})
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
    const auto answered = section(report, monitor.devicePath());
    EXPECT_NE(answered.find("adapter: none (no USB device behind it)"), std::string::npos);
    EXPECT_NE(answered.find("access: this user can open it"), std::string::npos) << answered;
    EXPECT_NE(answered.find("probe: answered as a monitor"), std::string::npos) << answered;
    EXPECT_EQ(answered.find("exclusive mode"), std::string::npos) << answered;
    EXPECT_NE(answered.find("held by: no other process"), std::string::npos) << answered;
    const auto excluded = section(report, silent.devicePath());
    EXPECT_NE(excluded.find("held by: no other process this user can see\n    exclusive mode: on "
                            "(TIOCEXCL)"),
              std::string::npos)
        << excluded;
    EXPECT_NE(excluded.find("probe: no answer within 500 ms"), std::string::npos) << excluded;
    const auto held = section(report, busy.devicePath());
    EXPECT_NE(held.find("held by: sleep (" + holderPid + ")\n"), std::string::npos) << held;
    EXPECT_NE(held.find("probe: not sent (Device or resource busy"), std::string::npos) << held;

    // Nobody's pseudo-terminal: mode 0600, owned by root.
    const auto forbidden =
        section(doctor({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", MONCTL_PATH,
                        "--port", monitor.devicePath()}),
                monitor.devicePath());
    EXPECT_NE(forbidden.find("access: this user cannot open it (Permission denied)\n    fix: " +
                             monitor.devicePath() +
                             " may be opened by its owner and root alone: a udev rule"),
              std::string::npos)
        << forbidden;
    EXPECT_NE(forbidden.find("GROUP=\"dialout\", MODE=\"0660\""), std::string::npos) << forbidden;
    EXPECT_EQ(forbidden.find("-aG root"), std::string::npos) << forbidden;
    EXPECT_NE(forbidden.find("probe: not sent (this user cannot open it)"), std::string::npos);

    const auto json = QJsonDocument::fromJson(
        QByteArray::fromStdString(doctor({MONCTL_PATH, "--json", "--port", monitor.devicePath()})));
    const auto device = json["devices"][0].toObject();
    EXPECT_EQ(device["path"].toString().toStdString(), monitor.devicePath());
    EXPECT_EQ(device["probe"].toString(), "answered as a monitor");
    EXPECT_TRUE(device["adapter"].isNull());
    std::filesystem::remove_all(home);
}

TEST(Doctor, EndsAndSaysSoWhenTheXServerDoesNotAnswer) {
    ChildProcess server({"Xvfb", "-displayfd", "1", "-nolisten", "tcp"});
    const auto display = server.readLine(10s);
    ASSERT_FALSE(display.empty()) << server.errors();
    server.signal(SIGSTOP);
    ScopedEnvironment environment;
    environment.set("DISPLAY", ":" + display);
    environment.set("MONCTL_PLATFORM", "x11");
    ChildProcess program({MONCTL_PATH, "doctor", "--timeout", "0.5"});
    EXPECT_EQ(program.wait(10s), 0) << "ended";
    EXPECT_NE(program.output().find("input: none (the X server at DISPLAY=:" + display +
                                    " did not answer within 1500 ms)"),
              std::string::npos)
        << program.output();
    server.signal(SIGCONT);
}
