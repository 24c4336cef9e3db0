#pragma once

#include "cli/CommandLine.h"

namespace monctl {

class AsioMainQueue;

// Carries out one command-line request against the monitors; gives the exit status:
// 0 done, 1 no monitor or no answer, 3 a named device could not be opened, or no monitor
// answered and a device found could not be opened.
// Runs on the main queue's thread.
int runCliRequest(const CliRequest& request, AsioMainQueue& main);

} // namespace monctl
