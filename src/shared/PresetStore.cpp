#include "shared/PresetStore.h"

#include "monitor/Setting.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace monctl {
namespace {

constexpr int longestName = 64;
constexpr const char* presetsGroup = "presets";

bool inRange(int value, int lowest, int highest) {
    return value >= lowest && value <= highest;
}

class PresetGroup {
public:
    explicit PresetGroup(const QString& path) : m_file(path, QSettings::IniFormat) {
        m_file.beginGroup(presetsGroup);
    }
    std::optional<MonitorSettings> find(const std::string& name) const {
        const auto key = QString::fromStdString(name);
        if (!m_file.contains(key))
            return std::nullopt;
        return settingsFromFields(m_file.value(key).toStringList());
    }
    QStringList names() const { return m_file.childKeys(); }
    bool write(const std::string& name, const MonitorSettings& settings) {
        m_file.setValue(QString::fromStdString(name), settingsFields(settings));
        return flushed();
    }
    bool remove(const std::string& name) {
        m_file.remove(QString::fromStdString(name));
        return flushed();
    }

private:
    bool flushed() {
        m_file.sync();
        return m_file.status() == QSettings::NoError;
    }

    QSettings m_file;
};

} // namespace

std::optional<MonitorSettings> settingsFromFields(const QStringList& fields) {
    if (fields.size() != 3)
        return std::nullopt;
    bool contrastRead = false;
    bool speedRead = false;
    const MonitorSettings settings{fields[0].trimmed().toInt(&contrastRead),
                                   modeNamed(fields[1].trimmed().toStdString()).value_or(0),
                                   fields[2].trimmed().toInt(&speedRead)};
    if (!contrastRead || !speedRead || !inRange(settings.contrast, 1, 9) ||
        !inRange(settings.mode, 2, 4) || !inRange(settings.speed, 1, 5))
        return std::nullopt;
    return settings;
}

QStringList settingsFields(const MonitorSettings& settings) {
    return {QString::number(settings.contrast), QString::fromStdString(modeName(settings.mode)),
            QString::number(settings.speed)};
}

// The sentences are marked for the Settings window, which shows them translated.
std::string presetNameProblem(std::string_view name) {
    const auto text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (text.isEmpty())
        return QT_TRANSLATE_NOOP("monctl::PresetsView", "a preset needs a name");
    if (text.toUcs4().size() > longestName)
        return QT_TRANSLATE_NOOP("monctl::PresetsView",
                                 "a preset's name has at most 64 characters");
    const bool forbidden = std::any_of(text.begin(), text.end(), [](QChar character) {
        return character.category() == QChar::Other_Control ||
               QString("=[]/\\").contains(character);
    });
    if (forbidden || text.toUtf8() != QByteArray(name.data(), static_cast<qsizetype>(name.size())))
        return QT_TRANSLATE_NOOP(
            "monctl::PresetsView",
            "a preset's name may not hold control characters, =, [, ], / or \\");
    return {};
}

std::vector<Preset> PresetStore::list() const {
    const PresetGroup presets(m_path);
    std::vector<Preset> found;
    for (const auto& key : presets.names()) {
        const auto name = key.toStdString();
        if (const auto settings = presets.find(name); settings && presetNameProblem(name).empty())
            found.push_back({name, *settings});
    }
    std::sort(found.begin(), found.end(),
              [](const Preset& a, const Preset& b) { return a.name < b.name; });
    return found;
}

std::optional<MonitorSettings> PresetStore::find(const std::string& name) const {
    return PresetGroup(m_path).find(name);
}

bool PresetStore::save(const Preset& preset) const {
    if (!presetNameProblem(preset.name).empty())
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    return PresetGroup(m_path).write(preset.name, preset.settings);
}

bool PresetStore::remove(const std::string& name) const {
    PresetGroup presets(m_path);
    return presets.names().contains(QString::fromStdString(name)) && presets.remove(name);
}

bool PresetStore::rename(const std::string& from, const std::string& to) const {
    PresetGroup presets(m_path);
    const auto settings = presets.find(from);
    if (!settings || !presetNameProblem(to).empty() ||
        presets.names().contains(QString::fromStdString(to)))
        return false;
    return presets.write(to, *settings) && presets.remove(from);
}

} // namespace monctl
