#include "shared/SettingsReadBack.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorError.h"

#include <memory>
#include <utility>

namespace monctl {
namespace {

struct Gathering {
    MonitorSettings settings;
    int missing = 3;
    SettingsAnswer done; // empty once told
};

int& field(MonitorSettings& settings, Setting setting) {
    switch (setting) {
    case Setting::contrast:
        return settings.contrast;
    case Setting::mode:
        return settings.mode;
    case Setting::speed:
        break;
    }
    return settings.speed;
}

} // namespace

void readAllSettings(MonitorController& monitor, std::chrono::milliseconds wait,
                     SettingsAnswer done) {
    const auto gathering = std::make_shared<Gathering>();
    gathering->done = std::move(done);
    for (const auto setting : allSettings)
        monitor.readBack(setting, wait, [gathering, setting](std::error_code error, int value) {
            if (!gathering->done)
                return;
            field(gathering->settings, setting) = value;
            if (error || --gathering->missing == 0)
                std::exchange(gathering->done, {})(error, gathering->settings);
        });
}

std::string settingsUnreadText(const std::string& path, std::error_code error) {
    return error == MonitorError::noAnswer ? "the monitor did not tell its settings"
                                           : failureText(path, error);
}

} // namespace monctl
