#pragma once

#include "app/CommandLine.h"

#include <optional>

namespace monctl {

// Carries out a command-line request through the running window, over the session bus:
// the same output and exit statuses as runCliRequest. None when there is no window to talk
// to, or it lacks a device named with --port, or it closed during a watch: the command line
// then opens the ports itself.
std::optional<int> runThroughWindow(const CliRequest& request, int& argc, char** argv);

} // namespace monctl
