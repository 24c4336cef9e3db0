// monctl-sim: a simulated monitor on a pseudo-terminal. Prints the device path, then one
// "rx FRAME" line per frame received; takes commands on standard input and says
// "ok COMMAND" once each is carried out.
#include "SimulatorCommands.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

using namespace monctl;

namespace {

sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// The simulator's own threads and the reader of standard input may be anywhere at that
// moment, a read of a terminal that never ends among them: the program ends without
// unwinding them.
[[noreturn]] void leave(const std::string& link) {
    if (!link.empty()) {
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
    }
    std::fflush(stdout);
    std::_Exit(0);
}

// Carries out the lines of standard input until "quit", which ends the program.
void readCommands(MonitorSimulator& simulator, const std::string& link) {
    std::string line;
    while (std::getline(std::cin, line)) {
        const auto outcome = runSimulatorCommand(simulator, line);
        if (outcome == CommandOutcome::quit)
            leave(link);
        if (outcome == CommandOutcome::unknown) {
            std::fprintf(stderr, "unknown command: %s\n", line.c_str());
        } else if (!line.empty()) {
            std::printf("ok %s\n", line.c_str());
            std::fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"monctl-sim: a simulated monitor on a pseudo-terminal"};
    app.set_version_flag("--version", std::string("monctl-sim ") + MONCTL_VERSION);
    MonitorSimulator::Settings settings;
    std::string link;
    int delay = 0;
    bool silent = false;
    app.add_option("--contrast", settings.contrast, "initial contrast")->check(CLI::Range(1, 9));
    app.add_option("--mode", settings.mode, "initial mode: 2 text, 3 graphic, 4 video")
        ->check(CLI::Range(2, 4));
    app.add_option("--speed", settings.speed, "initial refresh speed")->check(CLI::Range(1, 5));
    app.add_option("--delay", delay, "milliseconds before each answer")
        ->check(CLI::NonNegativeNumber);
    app.add_flag("--silent", silent, "answer nothing: a serial device that is no monitor");
    app.add_option("--link", link, "also reach the device through a symbolic link at this path");
    CLI11_PARSE(app, argc, argv);

    // Blocked before any thread starts, so that only sigwait receives them.
    const auto signals = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    MonitorSimulator simulator(settings, [](const std::string& frame) {
        std::printf("rx %s\n", frame.c_str());
        std::fflush(stdout);
    });
    if (simulator.error()) {
        std::fprintf(stderr, "monctl-sim: no pseudo-terminal can be had: %s\n",
                     simulator.error().message().c_str());
        return 1;
    }
    simulator.setAnswerDelay(std::chrono::milliseconds(delay));
    simulator.setSilent(silent);
    if (!link.empty()) {
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        std::filesystem::create_symlink(simulator.terminalPath(), link);
    }
    std::printf("%s\n", simulator.terminalPath().c_str());
    std::fflush(stdout);

    // Standard input may stay open for ever (a terminal): the signals are waited for beside it.
    std::thread(readCommands, std::ref(simulator), link).detach();
    int received = 0;
    sigwait(&signals, &received);
    leave(link);
}
