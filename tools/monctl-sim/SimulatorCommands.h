#pragma once

#include "device/MonitorSimulator.h"

#include <string>

namespace monctl {

enum class CommandOutcome { done, quit, unknown };

// Carries out one line of monctl-sim's standard input on the simulator; see the README for
// the commands.
CommandOutcome runSimulatorCommand(MonitorSimulator& simulator, const std::string& line);

} // namespace monctl
