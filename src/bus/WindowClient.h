#pragma once

#include "cli/CommandLine.h"

#include <optional>
#include <string>
#include <vector>

namespace monctl {

// What was done of a command-line request through the running window.
struct WindowOutcome {
    // The exit status of what the window did; none when it took no part: no window runs, it
    // lacks every device named with --port, it does not answer as monctl within a second, or
    // it closed during a watch. The command line then opens the ports itself.
    std::optional<int> status;
    // The devices named with --port that the window lacks, for the command line to open
    // itself (list and --all; a watch has them watched beside the window's).
    std::vector<std::string> leftOver;
};

// Carries out a command-line request through the running window, over the session bus,
// naming each monitor by its device path: the same output and exit statuses as
// runCliRequest.
WindowOutcome runThroughWindow(const CliRequest& request, int& argc, char** argv);

} // namespace monctl
