#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <map>

namespace monctl {
namespace {

const std::map<std::string, int> modes{{"text", 2}, {"graphic", 3}, {"video", 4}};
const std::map<std::string, std::pair<int, int>> settingRanges{{"contrast", {1, 9}},
                                                               {"speed", {1, 5}}};

// Turns the word given to "set" into the monitor's value; throws CLI::ValidationError.
int settingValue(const std::string& setting, const std::string& word) {
    if (setting == "mode") {
        if (const auto mode = modeValue(word))
            return *mode;
        throw CLI::ValidationError("mode", "must be text, graphic or video, not " + word);
    }
    const auto [lowest, highest] = settingRanges.at(setting);
    int value = 0;
    std::size_t used = 0;
    try {
        value = std::stoi(word, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != word.size() || word.empty() || value < lowest || value > highest)
        throw CLI::ValidationError(setting, "must be a number from " + std::to_string(lowest) +
                                                " to " + std::to_string(highest) + ", not " + word);
    return value;
}

// Seconds as the user writes them: a finite number within the range.
CLI::Validator secondsBetween(double lowest, double highest) {
    return CLI::Validator(
        [lowest, highest](std::string& text) -> std::string {
            const char* first = text.data() + (text.starts_with('+') ? 1 : 0);
            const char* last = text.data() + text.size();
            double value = 0;
            const auto [end, error] = std::from_chars(first, last, value);
            if (text.empty() || error != std::errc() || end != last)
                return text + " is not a number";
            if (!std::isfinite(value) || value < lowest || value > highest)
                return fmt::format("must be from {} to {} seconds, not {}", lowest, highest, text);
            return {};
        },
        "SECONDS");
}

const CLI::Validator nonEmptyPath(
    [](std::string& text) {
        return text.empty() ? std::string("the path is empty") : std::string();
    },
    "PATH");

} // namespace

std::string modeName(int mode) {
    for (const auto& [name, value] : modes) {
        if (value == mode)
            return name;
    }
    return std::to_string(mode);
}

std::optional<int> modeValue(const std::string& name) {
    const auto mode = modes.find(name);
    return mode == modes.end() ? std::nullopt : std::optional<int>(mode->second);
}

std::variant<CliRequest, CliExit> parseCommandLine(int argc, const char* const* argv) {
    CliRequest request;
    CLI::App app{"monctl: control a monitor attached by a USB-to-serial link"};
    app.set_version_flag("--version", std::string("monctl ") + MONCTL_VERSION);
    app.require_subcommand(0, 1);
    // The options may also follow the command: a command hands back what it does not know.
    app.fallthrough();
    double timeoutSeconds = 1.0;
    app.add_option("--port", request.ports,
                   "probe exactly this serial device instead of scanning the machine (repeatable)")
        ->allow_extra_args(false)
        ->check(nonEmptyPath);
    app.add_option("--timeout", timeoutSeconds, "seconds to wait for the monitors' answers")
        ->check(secondsBetween(0.05, 60.0));
    app.add_flag("-v,--verbose", request.verbose, "log everything, frames included");
    app.add_flag("--simulate", request.simulate, "also talk to a built-in simulated monitor");
    app.add_flag("--hidden", request.hidden,
                 "start the window hidden in the tray (where the desktop has one)");
    app.footer("Without a command, monctl opens its window.");

    auto* list = app.add_subcommand("list", "list the monitors that answer");
    auto* get = app.add_subcommand("get", "read settings back from the active monitor");
    get->add_option("setting", request.parameter, "contrast, mode, speed or all")
        ->required()
        ->check(CLI::IsMember({"contrast", "mode", "speed", "all"}));
    auto* set = app.add_subcommand("set", "change a setting of the active monitor");
    std::string word;
    set->add_option("setting", request.parameter,
                    "contrast (1-9), mode (text, graphic, video) "
                    "or speed (1-5)")
        ->required()
        ->check(CLI::IsMember({"contrast", "mode", "speed"}));
    set->add_option("value", word, "the new value")->required();
    auto* refresh = app.add_subcommand("refresh", "fast refresh of the active monitor's panel");
    auto* syncTime = app.add_subcommand("sync-time", "synchronise the active monitor's clock");
    auto* watch = app.add_subcommand("watch", "print setting reports and button events until "
                                              "interrupted");
    auto* doctor = app.add_subcommand("doctor", "report what monctl finds on this machine and why "
                                                "a monitor may not be found");
    try {
        app.parse(argc, argv);
        if (set->parsed())
            request.value = settingValue(request.parameter, word);
    } catch (const CLI::CallForHelp&) {
        return CliExit{0, app.help(), false};
    } catch (const CLI::CallForVersion&) {
        return CliExit{0, std::string("monctl ") + MONCTL_VERSION + "\n", false};
    } catch (const CLI::ParseError& error) {
        return CliExit{2, std::string("monctl: ") + error.what() + "\n", true};
    }
    request.timeout = std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000));
    const std::pair<CLI::App*, CliRequest::Action> actions[] = {
        {list, CliRequest::Action::list},         {get, CliRequest::Action::get},
        {set, CliRequest::Action::set},           {refresh, CliRequest::Action::refresh},
        {syncTime, CliRequest::Action::syncTime}, {watch, CliRequest::Action::watch},
        {doctor, CliRequest::Action::doctor}};
    for (const auto& [command, action] : actions) {
        if (command->parsed())
            request.action = action;
    }
    return request;
}

} // namespace monctl
