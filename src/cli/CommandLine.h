#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace monctl {

// What the user asked of monctl on the command line.
struct CliRequest {
    enum class Action {
        window,
        list,
        get,
        set,
        refresh,
        syncTime,
        watch,
        doctor,
        presetApply,
        presetSave,
        presetList,
        presetDelete,
        scheduleAdd,
        scheduleList,
        scheduleDelete,
        appPresetSet,
        appPresetList,
        appPresetDelete
    };
    Action action = Action::window;
    std::string parameter;   // get: contrast, mode, speed or all; set: contrast, mode or speed
    int value = 0;           // set: the value as the monitor takes it, or the change of contrast
    bool relative = false;   // set: `value` moves the contrast the monitor reports (+N, -N)
    std::string preset;      // preset apply, save and delete; schedule add; app-preset
    std::string application; // app-preset: the application's id, or * for every other
    int minuteOfDay = 0;     // schedule add and delete
    std::string serial;      // --monitor: the USB adapter's serial number of the monitor meant
    bool json = false;       // list, get, preset list, doctor: one JSON document
    std::vector<std::string> ports;
    bool all = false; // get, set, refresh, sync-time: every monitor found, not the active one
    std::chrono::milliseconds timeout{1000};
    bool verbose = false;
    bool trace = false; // the protocol trace besides the verbose log
    bool simulate = false;
    bool hidden = false; // the window starts in the tray
    bool direct = false; // the ports are opened here even while the window runs
};

// Help, version or a refusal of bad input: what to print and the exit status.
struct CliExit {
    int status;
    std::string text;
    bool toStandardError;
};

std::variant<CliRequest, CliExit> parseCommandLine(int argc, const char* const* argv);

} // namespace monctl
