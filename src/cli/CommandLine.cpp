#include "cli/CommandLine.h"

#include "cli/ManualText.h"
#include "monitor/Setting.h"
#include "shared/ApplicationRules.h"
#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <map>

namespace monctl {
namespace {

std::optional<int> wholeNumber(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// "+N" or "-N": a change of the contrast by N; none for anything else.
std::optional<int> contrastChange(const std::string& word) {
    if (word.size() < 2 || (word[0] != '+' && word[0] != '-') ||
        !std::isdigit(static_cast<unsigned char>(word[1])))
        return std::nullopt;
    const auto steps = wholeNumber(std::string_view(word).substr(1));
    return steps && word[0] == '-' ? -*steps : steps;
}

// Turns the word given to "set" into the monitor's value, or for the contrast a change of it;
// throws CLI::ValidationError.
void readSettingValue(const std::string& word, CliRequest& request) {
    const auto& setting = request.parameter;
    if (setting == "mode") {
        const auto mode = modeNamed(word);
        if (!mode)
            throw CLI::ValidationError("mode", "must be text, graphic or video, not " + word);
        request.value = *mode;
        return;
    }
    if (const auto change = setting == "contrast" ? contrastChange(word) : std::nullopt) {
        request.value = *change;
        request.relative = true;
        return;
    }
    const auto [lowest, highest] = settingRange(*settingNamed(setting));
    // Digits only: "+7" would read as a change.
    const auto value = !word.empty() && std::isdigit(static_cast<unsigned char>(word.front()))
                           ? wholeNumber(word)
                           : std::nullopt;
    if (!value || *value < lowest || *value > highest)
        throw CLI::ValidationError(
            setting, fmt::format("must be a number from {} to {}{}, not {}", lowest, highest,
                                 setting == "contrast" ? " (or +N, -N to change it)" : "", word));
    request.value = *value;
}

std::string checkedPresetName(const std::string& name) {
    if (const auto problem = presetNameProblem(name); !problem.empty())
        throw CLI::ValidationError("preset", problem);
    return name;
}

// "preset NAME", "preset apply NAME", "preset save NAME", "preset list", "preset delete NAME".
void readPresetWords(const std::vector<std::string>& words, CliRequest& request) {
    using Action = CliRequest::Action;
    const std::map<std::string, Action> named{{"apply", Action::presetApply},
                                              {"save", Action::presetSave},
                                              {"delete", Action::presetDelete}};
    if (words == std::vector<std::string>{"list"}) {
        request.action = Action::presetList;
    } else if (words.size() == 1 && named.contains(words[0])) {
        throw CLI::ValidationError("preset", words[0] + " needs the preset's name");
    } else if (words.size() == 1) {
        request.action = Action::presetApply;
        request.preset = words[0];
    } else if (const auto action = named.find(words[0]); action != named.end()) {
        request.action = action->second;
        request.preset =
            action->second == Action::presetSave ? checkedPresetName(words[1]) : words[1];
    } else {
        throw CLI::ValidationError("preset", "NAME, list, save NAME or delete NAME, not " +
                                                 words[0] + " " + words[1]);
    }
}

int minuteOfDay(const std::string& time) {
    const auto minute = minuteOfDayFrom(time);
    if (!minute)
        throw CLI::ValidationError("schedule", "a time is HH:MM, from 00:00 to 23:59, not " + time);
    return *minute;
}

// "schedule add HH:MM PRESET", "schedule list", "schedule delete HH:MM".
void readScheduleWords(const std::vector<std::string>& words, CliRequest& request) {
    using Action = CliRequest::Action;
    if (words == std::vector<std::string>{"list"}) {
        request.action = Action::scheduleList;
    } else if (words.size() == 2 && words[0] == "delete") {
        request.action = Action::scheduleDelete;
        request.minuteOfDay = minuteOfDay(words[1]);
    } else if (words.size() == 3 && words[0] == "add") {
        request.action = Action::scheduleAdd;
        request.minuteOfDay = minuteOfDay(words[1]);
        request.preset = words[2];
    } else {
        throw CLI::ValidationError("schedule", "add HH:MM PRESET, list or delete HH:MM");
    }
}

std::string checkedApplication(const std::string& application) {
    if (const auto problem = applicationNameProblem(application); !problem.empty())
        throw CLI::ValidationError("app-preset", problem);
    return application;
}

// "app-preset APP PRESET", "app-preset set APP PRESET" (for an application called list or
// delete), "app-preset list", "app-preset delete APP".
void readAppPresetWords(const std::vector<std::string>& words, CliRequest& request) {
    using Action = CliRequest::Action;
    if (words == std::vector<std::string>{"list"}) {
        request.action = Action::appPresetList;
    } else if (words.size() == 2 && words[0] == "delete") {
        request.action = Action::appPresetDelete;
        request.application = words[1];
    } else if (words.size() == 2 || (words.size() == 3 && words[0] == "set")) {
        request.action = Action::appPresetSet;
        request.application = checkedApplication(words[words.size() - 2]);
        request.preset = words.back();
    } else {
        throw CLI::ValidationError("app-preset", "APP PRESET, list or delete APP");
    }
}

// A command that takes a few words, read once parsed.
struct WordsCommand {
    const char* name;
    const char* description;
    const char* words;
    int most;
};

CLI::App* addWordsCommand(CLI::App& app, const WordsCommand& command,
                          std::vector<std::string>& words) {
    auto* added = app.add_subcommand(command.name, command.description);
    added->add_option("words", words, command.words)->required()->expected(1, command.most);
    return added;
}

// Refuses an option given to a command it has no meaning for.
std::optional<CliExit> misplacedOption(const CliRequest& request) {
    using Action = CliRequest::Action;
    const auto among = [&](std::initializer_list<Action> actions) {
        return std::find(actions.begin(), actions.end(), request.action) != actions.end();
    };
    if (request.all && !among({Action::get, Action::set, Action::refresh, Action::syncTime}))
        return CliExit{2, "monctl: --all goes with get, set, refresh and sync-time only\n", true};
    if (request.json && !among({Action::list, Action::get, Action::presetList, Action::doctor}))
        return CliExit{2, "monctl: --json goes with list, get, preset list and doctor only\n",
                       true};
    if (!request.serial.empty() &&
        (request.all || !among({Action::get, Action::set, Action::refresh, Action::syncTime,
                                Action::presetApply, Action::presetSave})))
        return CliExit{2,
                       "monctl: --monitor goes with get, set, refresh, sync-time, preset NAME and "
                       "preset save, and not with --all\n",
                       true};
    return std::nullopt;
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
    app.add_flag("--all", request.all,
                 "get, set, refresh, sync-time: every monitor found instead of the active one");
    app.add_option("--monitor", request.serial,
                   "the monitor whose USB adapter has this serial number instead of the active "
                   "one")
        ->type_name("SERIAL");
    app.add_flag("--json", request.json, "list, get, preset list, doctor: print one JSON document");
    int verbosity = 0;
    app.add_flag("-v,--verbose", verbosity,
                 "log what monctl finds, chooses and sends, and why something fails; twice "
                 "(-vv) the same as --trace");
    app.add_flag("--trace", request.trace,
                 "also log the protocol trace: every frame and port event, in its long-standing "
                 "wording");
    app.add_flag("--simulate", request.simulate, "also talk to a built-in simulated monitor");
    // How a watch through the window has the devices the window lacks watched beside it.
    app.add_flag("--direct", request.direct)->group("");
    app.add_flag("--hidden", request.hidden,
                 "start the window hidden in the tray (where the desktop has one)");
    app.footer("Without a command, monctl opens its window.");
    // How the build has the man page list the options and the preferences keys.
    std::string manualSection;
    app.add_option("--man-section", manualSection)
        ->group("")
        ->check(CLI::IsMember({"options", "preferences"}));

    auto* list = app.add_subcommand("list", "list the monitors that answer");
    auto* get = app.add_subcommand("get", "read settings back from the active monitor");
    get->add_option("setting", request.parameter, "contrast, mode, speed or all")
        ->required()
        ->check(CLI::IsMember({"contrast", "mode", "speed", "all"}));
    auto* set = app.add_subcommand("set", "change a setting of the active monitor");
    std::string word;
    set->add_option("setting", request.parameter,
                    "contrast (1-9, or +N, -N to change it), mode (text, graphic, video) "
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
    std::vector<std::string> presetWords;
    auto* preset = addWordsCommand(
        app,
        {"preset", "apply a named preset to the active monitor; list, save or delete presets",
         "NAME, list, save NAME or delete NAME", 2},
        presetWords);
    std::vector<std::string> scheduleWords;
    auto* schedule =
        addWordsCommand(app,
                        {"schedule", "apply a preset every day at a time (while the window runs)",
                         "add HH:MM PRESET, list or delete HH:MM", 3},
                        scheduleWords);
    std::vector<std::string> appPresetWords;
    auto* appPreset = addWordsCommand(
        app,
        {"app-preset",
         "have the window apply a preset whenever this application comes to the front (* for "
         "every other); list or delete these rules",
         "APP PRESET, list or delete APP", 3},
        appPresetWords);
    try {
        app.parse(argc, argv);
        if (set->parsed())
            readSettingValue(word, request);
        if (preset->parsed())
            readPresetWords(presetWords, request);
        if (schedule->parsed())
            readScheduleWords(scheduleWords, request);
        if (appPreset->parsed())
            readAppPresetWords(appPresetWords, request);
    } catch (const CLI::CallForHelp&) {
        return CliExit{0, app.help(), false};
    } catch (const CLI::CallForVersion&) {
        return CliExit{0, std::string("monctl ") + MONCTL_VERSION + "\n", false};
    } catch (const CLI::ParseError& error) {
        return CliExit{2, std::string("monctl: ") + error.what() + "\n", true};
    }
    if (!manualSection.empty())
        return CliExit{0, manualSection == "options" ? manualOptions(app) : manualPreferenceKeys(),
                       false};
    request.trace = request.trace || verbosity > 1;
    request.verbose = verbosity > 0 || request.trace;
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
    if (const auto refused = misplacedOption(request))
        return *refused;
    return request;
}

} // namespace monctl
