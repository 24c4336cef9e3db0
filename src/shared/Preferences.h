#pragma once

#include <QString>
#include <cstdint>

namespace monctl {

// The integers monctl keeps between runs.
struct StoredSettings {
    std::int32_t language = 0;
    std::uint32_t refreshKeyCode = 0;
    std::uint32_t refreshFlags = 0;
    std::uint32_t thresholdKeyCode = 0;
    std::uint32_t thresholdFlags = 0;
    std::uint32_t thresholdDownKeyCode = 0;
    std::uint32_t thresholdDownFlags = 0;
    // The desktop: off by default, as before there were such settings.
    std::int32_t keepInTray = 0;         // closing the window leaves monctl in the tray
    std::int32_t startAtLogin = 0;       // an autostart entry starts monctl hidden
    std::int32_t fastRefreshSeconds = 0; // a timed fast refresh of the active monitor
    std::int32_t notify = 1;             // desktop notifications of changes: on unless turned off
    std::int32_t restoreOnPlug = 0;      // a monitor plugged in again gets its last settings
};

// The preferences file: INI, keys at the top level, at $XDG_CONFIG_HOME/monctl/monctl.conf
// (~/.config/monctl/monctl.conf). A missing or unreadable key reads as 0, but for a missing
// language, which follows the desktop's.
class Preferences {
public:
    static QString defaultPath();
    explicit Preferences(QString path = defaultPath()) : m_path(std::move(path)) {}

    // The file, which groups of their own (presets, schedule, monitors) share.
    const QString& path() const { return m_path; }

    StoredSettings load() const;
    // Writes all keys, in order, and flushes the file; false when it cannot be written.
    bool save(const StoredSettings& settings) const;

private:
    QString m_path;
};

} // namespace monctl
