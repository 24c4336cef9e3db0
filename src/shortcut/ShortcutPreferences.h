#pragma once

#include "runtime/Signal.h"

#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace monctl {

// Stored values by key, with defaults that apply while the user has stored nothing, and a
// watch on one key that hears its value now and after every change. Main thread only.
class ShortcutPreferences {
public:
    using Watcher = std::function<void(const std::optional<std::string>& storedValue)>;

    virtual ~ShortcutPreferences() = default;
    // The user's value, else the registered default.
    virtual std::optional<std::string> value(const std::string& key) const = 0;
    // The user's own value; none removes it.
    virtual void setValue(const std::string& key, const std::optional<std::string>& value) = 0;
    virtual void registerDefault(const std::string& key, const std::string& value) = 0;
    [[nodiscard]] virtual Connection watch(const std::string& key, Watcher watcher) = 0;
};

// The preferences of a settings file (QSettings, INI). Changes made through this object are
// told to its watchers; the file itself is not watched.
class SettingsFilePreferences final : public ShortcutPreferences {
public:
    explicit SettingsFilePreferences(QString path) : m_path(std::move(path)) {}

    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::optional<std::string>& value) override;
    void registerDefault(const std::string& key, const std::string& value) override;
    Connection watch(const std::string& key, Watcher watcher) override;

private:
    void changed(const std::string& key);

    QString m_path;
    std::map<std::string, std::string> m_defaults;
    std::map<std::string, Signal<std::optional<std::string>>> m_watchers;
};

} // namespace monctl
