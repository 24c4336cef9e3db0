#pragma once

#include "cli/CommandLine.h"
#include "monitor/Setting.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace monctl {

// One line of a command's results on standard output, flushed so that a reader of a pipe has
// it at once.
void printLine(const std::string& text);

// The setting of the monitor at a device path as it tells it; none when it does not, said why.
using ReadBack = std::function<std::optional<int>(const std::string& path, Setting)>;

// The settings `get` asks for: "all" is each of them.
std::vector<Setting> settingsAskedFor(const std::string& parameter);

// Reads the settings of each monitor (by device path) and prints them on standard output as
// `get` shows them: a line a setting ("contrast 5"), or with `perMonitor` a line a monitor,
// its path first ("/dev/ttyUSB0 contrast 5 mode text"); with `json` one object
// ({"contrast": 5, "mode": "text"}), with `perMonitor` one such object a path. A monitor
// whose read-back gives none is left out; the status is then 1, else 0.
int printReadBacks(const std::vector<std::string>& paths, const std::vector<Setting>& settings,
                   bool perMonitor, bool json, const ReadBack& readBack);

// The value `set` sends to the monitor at the path: the one asked for, or for a change of the
// contrast the contrast it reports now moved by the change, kept within 1 to 9. None when it
// does not tell its contrast.
std::optional<int> valueToSet(const CliRequest& request, const std::string& path,
                              const ReadBack& readBack);

} // namespace monctl
