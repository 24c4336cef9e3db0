#include "monitor/Setting.h"

#include <array>

namespace monctl {
namespace {

constexpr std::array<std::pair<Setting, std::string_view>, 3> names{
    {{Setting::contrast, "contrast"}, {Setting::mode, "mode"}, {Setting::speed, "speed"}}};
constexpr std::array<std::string_view, 3> modes{"text", "graphic", "video"};
constexpr int firstMode = 2;

} // namespace

std::string_view settingName(Setting setting) {
    for (const auto& [named, name] : names) {
        if (named == setting)
            return name;
    }
    return {};
}

std::optional<Setting> settingNamed(std::string_view name) {
    for (const auto& [setting, named] : names) {
        if (named == name)
            return setting;
    }
    return std::nullopt;
}

std::pair<int, int> settingRange(Setting setting) {
    switch (setting) {
    case Setting::contrast:
        return {1, 9};
    case Setting::mode:
        return {firstMode, firstMode + static_cast<int>(modes.size()) - 1};
    case Setting::speed:
        return {1, 5};
    }
    return {0, -1};
}

std::string modeName(int mode) {
    const auto index = static_cast<std::size_t>(mode - firstMode);
    return index < modes.size() ? std::string(modes[index]) : std::to_string(mode);
}

std::optional<int> modeNamed(std::string_view name) {
    for (std::size_t index = 0; index < modes.size(); ++index) {
        if (modes[index] == name)
            return firstMode + static_cast<int>(index);
    }
    return std::nullopt;
}

std::string settingText(Setting setting, int value) {
    return std::string(settingName(setting)) + " " +
           (setting == Setting::mode ? modeName(value) : std::to_string(value));
}

} // namespace monctl
