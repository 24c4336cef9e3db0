#include "cli/DirectWatch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fmt/format.h>
#include <spawn.h>
#include <spdlog/spdlog.h>
#include <sys/wait.h>

extern char** environ;

namespace monctl {

DirectWatch::DirectWatch(const CliRequest& request, const std::vector<std::string>& ports) {
    std::vector<std::string> arguments{
        "monctl", "watch", "--direct", "--timeout",
        fmt::format("{}", std::chrono::duration<double>(request.timeout).count())};
    if (request.verbose)
        arguments.emplace_back("--verbose");
    if (request.trace)
        arguments.emplace_back("--trace");
    for (const auto& port : ports) {
        arguments.emplace_back("--port");
        arguments.push_back(port);
    }
    std::vector<char*> argv(arguments.size() + 1, nullptr);
    std::transform(arguments.begin(), arguments.end(), argv.begin(),
                   [](std::string& argument) { return argument.data(); });
    const int error =
        ::posix_spawn(&m_pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        m_pid = -1;
        spdlog::warn("The devices the window lacks cannot be watched: {}", std::strerror(error));
    }
}

DirectWatch::~DirectWatch() {
    if (m_pid < 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
        continue;
}

} // namespace monctl
