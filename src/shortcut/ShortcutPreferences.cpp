#include "shortcut/ShortcutPreferences.h"

#include <QSettings>

namespace monctl {

std::optional<std::string> SettingsFilePreferences::value(const std::string& key) const {
    const QSettings file(m_path, QSettings::IniFormat);
    const QString name = QString::fromStdString(key);
    if (file.contains(name))
        return file.value(name).toString().toStdString();
    if (const auto fallback = m_defaults.find(key); fallback != m_defaults.end())
        return fallback->second;
    return std::nullopt;
}

void SettingsFilePreferences::setValue(const std::string& key,
                                       const std::optional<std::string>& value) {
    {
        QSettings file(m_path, QSettings::IniFormat);
        if (value)
            file.setValue(QString::fromStdString(key), QString::fromStdString(*value));
        else
            file.remove(QString::fromStdString(key));
        file.sync();
    }
    changed(key);
}

void SettingsFilePreferences::registerDefault(const std::string& key, const std::string& value) {
    m_defaults[key] = value;
    changed(key);
}

Connection SettingsFilePreferences::watch(const std::string& key, Watcher watcher) {
    watcher(value(key));
    return m_watchers[key].connect(std::move(watcher));
}

void SettingsFilePreferences::changed(const std::string& key) {
    if (const auto found = m_watchers.find(key); found != m_watchers.end())
        found->second.notify(value(key));
}

} // namespace monctl
