#pragma once

#include "monitor/Setting.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace monctl {

struct Preset {
    std::string name;
    MonitorSettings settings;
};

// Settings as the preferences file writes them: "7, text, 1" (as a list of its three fields);
// none when the fields do not read as settings the monitor takes.
QStringList settingsFields(const MonitorSettings& settings);
std::optional<MonitorSettings> settingsFromFields(const QStringList& fields);

// Why a preset may not be called this (in a sentence), or "" when it may: a name is 1 to 64
// characters, none of them a control character or one the preferences file gives a meaning
// to (= [ ] / \).
std::string presetNameProblem(std::string_view name);

// The named presets in the preferences file (group [presets], one line each:
// "reading=7, text, 1"). A line that does not read as a preset is left out of the list and
// kept in the file. Main thread only.
class PresetStore {
public:
    explicit PresetStore(QString path) : m_path(std::move(path)) {}

    std::vector<Preset> list() const; // by name
    std::optional<MonitorSettings> find(const std::string& name) const;
    // False when the name is not a valid one or the file cannot be written.
    bool save(const Preset& preset) const;
    // False when there is no such preset, or the file cannot be written.
    bool remove(const std::string& name) const;
    // False when there is no preset `from`, `to` is taken or invalid, or the file cannot be
    // written.
    bool rename(const std::string& from, const std::string& to) const;

private:
    QString m_path;
};

} // namespace monctl
