#pragma once

#include "cli/CommandLine.h"

namespace monctl {

// Opens the main window and runs until it closes; gives the exit status.
int runWindow(const CliRequest& request, int argc, char** argv);

} // namespace monctl
