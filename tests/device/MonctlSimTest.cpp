// The monctl-sim program as a user drives it: its device answers any program's probe.
#include "device/PseudoTerminal.h"
#include "support/ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using monctl::test::ChildProcess;

namespace {

// What the device end sends within five seconds, up to `count` bytes.
std::string readExactly(int descriptor, std::size_t count) {
    std::string text(count, '\0');
    std::size_t got = 0;
    pollfd ready{descriptor, POLLIN, 0};
    while (got < count && ::poll(&ready, 1, 5000) == 1) {
        const auto read = ::read(descriptor, text.data() + got, count - got);
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    text.resize(got);
    return text;
}

int openRaw(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    ::tcgetattr(descriptor, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(descriptor, TCSANOW, &raw);
    return descriptor;
}

} // namespace

TEST(MonctlSim, AnswersAProbeWrittenByAnyProgramAndObeysItsCommands) {
    const auto link =
        std::filesystem::temp_directory_path() / ("monctl-sim-link-" + std::to_string(::getpid()));
    ChildProcess simulator({MONCTL_SIM_PATH, "--link", link.string()});
    const auto path = simulator.readLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(std::filesystem::read_symlink(link), path);
    const int device = openRaw(path);
    ASSERT_GE(device, 0);
    auto command = [&](const std::string& text) {
        simulator.write(text + "\n");
        EXPECT_EQ(simulator.readLine(), "ok " + text);
    };

    const std::string probe = "5FF50A10000000000000A0FA";
    ASSERT_EQ(::write(device, probe.data(), probe.size()), 24);
    EXPECT_EQ(readExactly(device, 24).substr(0, 12), "5FF5F00A1010");
    EXPECT_EQ(simulator.readLine(), "rx " + probe);

    command("button 3");
    EXPECT_EQ(readExactly(device, 24), "5FF50603000000000000A0FA");
    command("report contrast 7");
    EXPECT_EQ(readExactly(device, 24).substr(0, 8), "5FF50107");

    command("silent");
    ASSERT_EQ(::write(device, probe.data(), probe.size()), 24);
    EXPECT_EQ(simulator.readLine(), "rx " + probe);
    command("raw hello");
    EXPECT_EQ(readExactly(device, 5), "hello") << "a silent monitor answers nothing";

    simulator.write("no such command\n");
    command("unplug");
    pollfd hangUp{device, POLLIN, 0};
    ASSERT_EQ(::poll(&hangUp, 1, 5000), 1);
    EXPECT_NE(hangUp.revents & POLLHUP, 0);
    ::close(device);

    simulator.write("quit\n");
    EXPECT_EQ(simulator.wait(), 0);
    EXPECT_EQ(simulator.errors(), "unknown command: no such command\n");
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link goes with the simulator";
}

TEST(MonctlSim, EndsOnCtrlCOrTerminationWhileItsTerminalStaysOpen) {
    const auto link =
        std::filesystem::temp_directory_path() / ("monctl-sim-end-" + std::to_string(::getpid()));
    for (const int signal : {SIGINT, SIGTERM}) {
        const monctl::PseudoTerminal terminal;
        ASSERT_FALSE(terminal.error());
        ChildProcess simulator({MONCTL_SIM_PATH, "--link", link.string()}, terminal.deviceSide());
        ASSERT_EQ(simulator.readLine().rfind("/dev/pts/", 0), 0u);
        ASSERT_TRUE(std::filesystem::is_symlink(link));
        simulator.signal(signal);
        EXPECT_EQ(simulator.wait(), 0) << "signal " << signal;
        EXPECT_FALSE(std::filesystem::is_symlink(link)) << "signal " << signal;
    }
}
