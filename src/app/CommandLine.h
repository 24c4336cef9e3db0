#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace monctl {

// What the user asked of monctl on the command line.
struct CliRequest {
    enum class Action { window, list, get, set, refresh, syncTime, watch, doctor };
    Action action = Action::window;
    std::string parameter; // get: contrast, mode, speed or all; set: contrast, mode or speed
    int value = 0;         // set: the value as the monitor takes it
    std::vector<std::string> ports;
    std::chrono::milliseconds timeout{1000};
    bool verbose = false;
    bool simulate = false;
    bool hidden = false; // the window starts in the tray
};

// Help, version or a refusal of bad input: what to print and the exit status.
struct CliExit {
    int status;
    std::string text;
    bool toStandardError;
};

std::variant<CliRequest, CliExit> parseCommandLine(int argc, const char* const* argv);

// The mode's name as the command line shows it ("text", "graphic", "video"), else its number.
std::string modeName(int mode);
// The mode's value for its name; none for a word that names no mode.
std::optional<int> modeValue(const std::string& name);

} // namespace monctl
