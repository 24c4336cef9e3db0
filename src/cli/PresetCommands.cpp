#include "cli/PresetCommands.h"

#include "cli/JsonOutput.h"
#include "shared/ApplicationRules.h"
#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"

#include <QJsonArray>
#include <algorithm>
#include <fmt/format.h>

namespace monctl {
namespace {

int refused(int status, const std::string& why) {
    fmt::print(stderr, "monctl: {}\n", why);
    return status;
}

int unknownPreset(const std::string& name) {
    return refused(2, "no preset named " + name);
}

int written(bool done, const QString& path) {
    return done ? 0 : refused(1, path.toStdString() + " cannot be written");
}

int listPresets(const PresetStore& store, bool json) {
    QJsonArray list;
    for (const auto& [name, settings] : store.list()) {
        QJsonObject preset{{"name", QString::fromStdString(name)}};
        const int values[] = {settings.contrast, settings.mode, settings.speed};
        std::string text;
        for (std::size_t at = 0; at < std::size(allSettings); ++at) {
            addSetting(preset, allSettings[at], values[at]);
            if (at > 0)
                text += ' ';
            text += settingText(allSettings[at], values[at]);
        }
        list.append(preset);
        if (!json)
            fmt::print("{}\t{}\n", name, text);
    }
    if (json)
        printJson(list);
    return 0;
}

int listSchedule(const QString& path) {
    const auto schedule = PresetSchedule::load(path);
    for (const auto& event : schedule.events())
        fmt::print("{} {}\n", timeOfDayText(event.minuteOfDay), event.preset);
    return 0;
}

int addToSchedule(const CliRequest& request, const QString& path) {
    if (!PresetStore(path).find(request.preset))
        return unknownPreset(request.preset);
    return written(PresetSchedule::store(path, {request.minuteOfDay, request.preset}), path);
}

int deleteFromSchedule(const CliRequest& request, const QString& path) {
    if (!PresetSchedule::load(path).remove(request.minuteOfDay))
        return refused(2, "nothing is scheduled at " + timeOfDayText(request.minuteOfDay));
    return written(PresetSchedule::erase(path, request.minuteOfDay), path);
}

int setApplicationRule(const CliRequest& request, const QString& path) {
    if (!PresetStore(path).find(request.preset))
        return unknownPreset(request.preset);
    return written(ApplicationRules(path).set({request.application, request.preset}), path);
}

int listApplicationRules(const QString& path) {
    for (const auto& [application, preset] : ApplicationRules(path).list())
        fmt::print("{}\t{}\n", application, preset);
    return 0;
}

int deleteApplicationRule(const CliRequest& request, const QString& path) {
    const ApplicationRules rules(path);
    const auto listed = rules.list();
    const bool known = std::any_of(listed.begin(), listed.end(), [&](const auto& rule) {
        return QString::fromStdString(rule.application)
                   .compare(QString::fromStdString(request.application), Qt::CaseInsensitive) == 0;
    });
    if (!known)
        return refused(2, "no rule for the application " + request.application);
    return written(rules.remove(request.application), path);
}

} // namespace

std::optional<int> runPresetCommand(const CliRequest& request, const QString& path) {
    const PresetStore store(path);
    switch (request.action) {
    case CliRequest::Action::presetList:
        return listPresets(store, request.json);
    case CliRequest::Action::presetDelete:
        if (!store.find(request.preset))
            return unknownPreset(request.preset);
        return written(store.remove(request.preset), path);
    case CliRequest::Action::presetApply:
        if (!store.find(request.preset))
            return unknownPreset(request.preset);
        return std::nullopt;
    case CliRequest::Action::scheduleList:
        return listSchedule(path);
    case CliRequest::Action::scheduleAdd:
        return addToSchedule(request, path);
    case CliRequest::Action::scheduleDelete:
        return deleteFromSchedule(request, path);
    case CliRequest::Action::appPresetSet:
        return setApplicationRule(request, path);
    case CliRequest::Action::appPresetList:
        return listApplicationRules(path);
    case CliRequest::Action::appPresetDelete:
        return deleteApplicationRule(request, path);
    default:
        return std::nullopt;
    }
}

} // namespace monctl
