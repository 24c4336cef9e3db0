#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace monctl {

// The monitor's settings, numbered as its protocol numbers them (the parameter of a
// read-back, the type of a report).
enum class Setting { contrast = 1, mode = 2, speed = 4 };

// A monitor's contrast (1–9), mode (2 text, 3 graphic, 4 video) and speed (1–5).
struct MonitorSettings {
    int contrast = 0;
    int mode = 0;
    int speed = 0;
    bool operator==(const MonitorSettings&) const = default;
};

inline constexpr Setting allSettings[] = {Setting::contrast, Setting::mode, Setting::speed};

// "contrast", "mode", "speed": as the command line and the session bus write them.
std::string_view settingName(Setting setting);
std::optional<Setting> settingNamed(std::string_view name);
// The lowest and highest value the monitor takes: contrast 1-9, mode 2-4, speed 1-5.
std::pair<int, int> settingRange(Setting setting);
// A mode's name ("text", "graphic", "video"), else its number; a value as the command line
// prints it ("contrast 7", "mode text").
std::string modeName(int mode);
std::optional<int> modeNamed(std::string_view name);
std::string settingText(Setting setting, int value);

} // namespace monctl
