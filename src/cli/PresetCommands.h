#pragma once

#include "cli/CommandLine.h"

#include <QString>
#include <optional>

namespace monctl {

// The preset and schedule commands that need no monitor, only the preferences file at `path`:
// preset list and delete, schedule add, list and delete; and the check that the preset
// `preset NAME` applies exists. Gives the exit status: 0 done, 1 the file cannot be written,
// 2 no such preset or nothing scheduled at that time; none when the request goes on to the
// monitors.
std::optional<int> runPresetCommand(const CliRequest& request, const QString& path);

} // namespace monctl
