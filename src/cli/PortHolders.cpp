#include "cli/PortHolders.h"

#include "cli/CommandLine.h"
#include "serial/PlatformTerminal.h"

#include <fmt/format.h>

namespace monctl {
namespace {

// A monctl started without a command is a window, whatever its options.
bool isMonctlWindow(const platform::DeviceHolder& holder) {
    if (!holder.runsThisProgram || holder.arguments.empty())
        return false;
    std::vector<const char*> argv;
    for (const auto& argument : holder.arguments)
        argv.push_back(argument.c_str());
    const auto request = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    const auto* parsed = std::get_if<CliRequest>(&request);
    return parsed && parsed->action == CliRequest::Action::window;
}

} // namespace

std::string describeHolders(const std::string& devicePath) {
    std::string described;
    for (const auto& holder : platform::holdersOf(devicePath)) {
        if (!described.empty())
            described += "; ";
        described += fmt::format("{} ({}){}", holder.name, holder.pid,
                                 isMonctlWindow(holder) ? ", monctl's own window" : "");
    }
    return described;
}

std::string whyBusy(const std::string& devicePath) {
    if (const auto holders = describeHolders(devicePath); !holders.empty())
        return "held by " + holders;
    if (platform::isExclusive(devicePath).value_or(false))
        return "left in exclusive mode (TIOCEXCL): only root may open it until its last holder "
               "closes it";
    return {};
}

} // namespace monctl
