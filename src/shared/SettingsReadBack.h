#pragma once

#include "monitor/Setting.h"

#include <chrono>
#include <functional>
#include <string>
#include <system_error>

namespace monctl {

class MonitorController;

using SettingsAnswer = std::function<void(std::error_code, const MonitorSettings&)>;

// Reads contrast, mode and speed back, each answered within `wait` after its request went
// out; `done` hears all three, or the first failure, once. What a preset is saved from.
void readAllSettings(MonitorController& monitor, std::chrono::milliseconds wait,
                     SettingsAnswer done);

// Why the settings of the monitor at the path could not be read back, in a sentence.
std::string settingsUnreadText(const std::string& path, std::error_code error);

} // namespace monctl
