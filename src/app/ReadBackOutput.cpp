#include "app/ReadBackOutput.h"

#include <cstdio>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <iterator>

namespace monctl {
namespace {

void printLine(const std::string& text) {
    fmt::print("{}\n", text);
    std::fflush(stdout);
}

} // namespace

std::vector<Setting> settingsAskedFor(const std::string& parameter) {
    if (const auto setting = settingNamed(parameter))
        return {*setting};
    return {std::begin(allSettings), std::end(allSettings)};
}

int printReadBacks(const std::vector<std::string>& paths, const std::vector<Setting>& settings,
                   bool perMonitor,
                   const std::function<std::optional<int>(const std::string&, Setting)>& readBack) {
    int status = 0;
    for (const auto& path : paths) {
        std::vector<std::string> values;
        for (const auto setting : settings) {
            const auto value = readBack(path, setting);
            if (!value) {
                status = 1;
                break;
            }
            values.push_back(settingText(setting, *value));
            if (!perMonitor)
                printLine(values.back());
        }
        if (perMonitor && values.size() == settings.size())
            printLine(fmt::format("{} {}", path, fmt::join(values, " ")));
    }
    return status;
}

} // namespace monctl
