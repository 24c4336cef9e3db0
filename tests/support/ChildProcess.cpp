#include "support/ChildProcess.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace monctl::test {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, int terminal) {
    std::array<std::array<int, 2>, 3> pipes{}; // standard input, output and error
    for (auto& ends : pipes)
        if (::pipe2(ends.data(), O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, terminal >= 0 ? terminal : pipes[0][0], 0);
    posix_spawn_file_actions_adddup2(&actions, pipes[1][1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipes[2][1], 2);
    std::vector<char*> arguments(argv.size() + 1); // ends with a null
    std::ranges::transform(argv, arguments.begin(), [](std::string& word) { return word.data(); });
    const int spawned =
        ::posix_spawnp(&m_pid, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int childsEnd : {pipes[0][0], pipes[1][1], pipes[2][1]})
        ::close(childsEnd);
    m_input = pipes[0][1];
    m_output = pipes[1][0];
    m_errors = pipes[2][0];
    // Only this end: the program's own writes still block when the pipe is full.
    for (int readEnd : {m_output, m_errors})
        ::fcntl(readEnd, F_SETFL, O_NONBLOCK);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + argv[0]);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int descriptor : {m_input, m_output, m_errors})
        ::close(descriptor);
}

void ChildProcess::write(const std::string& text) {
    if (::write(m_input, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("cannot write to the child");
}

std::string ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (const auto end = m_outputSoFar.find('\n'); end != std::string::npos) {
            auto line = m_outputSoFar.substr(0, end);
            m_outputSoFar.erase(0, end + 1);
            return line;
        }
        pollfd ready{m_output, POLLIN, 0};
        if (::poll(&ready, 1, remainingMs(deadline)) != 1)
            return "";
        const auto before = m_outputSoFar.size();
        drain();
        if (m_outputSoFar.size() == before)
            return ""; // the end of the output
    }
}

void ChildProcess::signal(int number) {
    // Never once the program has been waited for: kill(-1) would reach every process there is.
    if (m_pid > 0)
        ::kill(m_pid, number);
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
    if (m_pid <= 0)
        return m_status;
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    // Keep the pipes flowing so that a talkative child never blocks on them.
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (remainingMs(deadline) == 0)
            return -1;
        std::array<pollfd, 2> ready{{{m_output, POLLIN, 0}, {m_errors, POLLIN, 0}}};
        ::poll(ready.data(), ready.size(), std::min(remainingMs(deadline), 20));
        drain();
    }
    m_pid = -1;
    drain();
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_status;
}

void ChildProcess::drain() {
    std::array<char, 4096> buffer{};
    for (auto [descriptor, text] :
         {std::pair{m_output, &m_outputSoFar}, std::pair{m_errors, &m_errorsSoFar}})
        for (ssize_t count = 0; (count = ::read(descriptor, buffer.data(), buffer.size())) > 0;)
            text->append(buffer.data(), static_cast<std::size_t>(count));
}

} // namespace monctl::test
