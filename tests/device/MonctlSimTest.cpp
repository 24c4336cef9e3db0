// The monctl-sim program as a user drives it: its device answers any program's probe.
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// monctl-sim with pipes on its standard input and output.
class SimulatorProcess {
public:
    SimulatorProcess() {
        int input[2];
        int output[2];
        EXPECT_EQ(::pipe(input), 0);
        EXPECT_EQ(::pipe(output), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        posix_spawn_file_actions_addclose(&actions, input[1]);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        char* argv[] = {const_cast<char*>(MONCTL_SIM_PATH), nullptr};
        EXPECT_EQ(::posix_spawn(&m_pid, MONCTL_SIM_PATH, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        m_input = input[1];
        m_output = ::fdopen(output[0], "r");
    }

    ~SimulatorProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_input);
        std::fclose(m_output);
    }

    std::string readLine() {
        pollfd ready{::fileno(m_output), POLLIN, 0};
        if (::poll(&ready, 1, 5000) != 1)
            return "(nothing within 5 s)";
        std::array<char, 256> line{};
        if (!std::fgets(line.data(), line.size(), m_output))
            return "(end of output)";
        std::string text = line.data();
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }

    void command(const std::string& text) {
        const auto line = text + "\n";
        EXPECT_EQ(::write(m_input, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }

    int exitStatus() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    FILE* m_output = nullptr;
};

std::string readExactly(int descriptor, std::size_t count) {
    std::string text;
    while (text.size() < count) {
        pollfd ready{descriptor, POLLIN, 0};
        if (::poll(&ready, 1, 5000) != 1)
            break;
        std::array<char, 64> buffer{};
        const auto got =
            ::read(descriptor, buffer.data(), std::min(buffer.size(), count - text.size()));
        if (got <= 0)
            break;
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
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
    SimulatorProcess simulator;
    const auto path = simulator.readLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    const int device = openRaw(path);
    ASSERT_GE(device, 0);
    auto command = [&](const std::string& text) {
        simulator.command(text);
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

    simulator.command("no such command");
    command("unplug");
    pollfd hangUp{device, POLLIN, 0};
    ASSERT_EQ(::poll(&hangUp, 1, 5000), 1);
    EXPECT_NE(hangUp.revents & POLLHUP, 0);
    ::close(device);

    simulator.command("quit");
    EXPECT_EQ(simulator.exitStatus(), 0);
}
