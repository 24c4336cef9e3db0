#pragma once

#include "monitor/Setting.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace monctl {

// The settings `get` asks for: "all" is each of them.
std::vector<Setting> settingsAskedFor(const std::string& parameter);

// Reads the settings of each monitor (by device path) and prints them on standard output as
// `get` shows them: a line a setting ("contrast 5"), or with `perMonitor` a line a monitor,
// its path first ("/dev/ttyUSB0 contrast 5 mode text"). `readBack` tells why when it gives
// none, and that monitor is left there; the status is then 1, else 0.
int printReadBacks(const std::vector<std::string>& paths, const std::vector<Setting>& settings,
                   bool perMonitor,
                   const std::function<std::optional<int>(const std::string&, Setting)>& readBack);

} // namespace monctl
