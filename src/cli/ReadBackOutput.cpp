#include "cli/ReadBackOutput.h"

#include "cli/JsonOutput.h"

#include <algorithm>
#include <cstdio>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <iterator>

namespace monctl {

void printLine(const std::string& text) {
    fmt::print("{}\n", text);
    std::fflush(stdout);
}

std::vector<Setting> settingsAskedFor(const std::string& parameter) {
    if (const auto setting = settingNamed(parameter))
        return {*setting};
    return {std::begin(allSettings), std::end(allSettings)};
}

int printReadBacks(const std::vector<std::string>& paths, const std::vector<Setting>& settings,
                   bool perMonitor, bool json, const ReadBack& readBack) {
    int status = 0;
    QJsonObject document;
    for (const auto& path : paths) {
        std::vector<std::string> values;
        QJsonObject monitor;
        for (const auto setting : settings) {
            const auto value = readBack(path, setting);
            if (!value) {
                status = 1;
                break;
            }
            values.push_back(settingText(setting, *value));
            addSetting(monitor, setting, *value);
            if (!perMonitor && !json)
                printLine(values.back());
        }
        if (values.size() != settings.size())
            continue;
        if (perMonitor && !json)
            printLine(fmt::format("{} {}", path, fmt::join(values, " ")));
        if (perMonitor)
            document.insert(QString::fromStdString(path), monitor);
        else
            document = monitor;
    }
    if (json)
        printJson(document);
    return status;
}

std::optional<int> valueToSet(const CliRequest& request, const std::string& path,
                              const ReadBack& readBack) {
    if (!request.relative)
        return request.value;
    const auto reported = readBack(path, Setting::contrast);
    if (!reported)
        return std::nullopt;
    const auto [lowest, highest] = settingRange(Setting::contrast);
    // Widened: a change as large as an int holds must not overflow.
    return static_cast<int>(std::clamp(static_cast<long long>(*reported) + request.value,
                                       static_cast<long long>(lowest),
                                       static_cast<long long>(highest)));
}

} // namespace monctl
