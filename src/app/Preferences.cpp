#include "app/Preferences.h"

#include "app/DesktopLanguage.h"

#include <QDir>
#include <QSettings>
#include <algorithm>

namespace monctl {
namespace {

std::int64_t readInteger(const QSettings& file, const char* key) {
    bool ok = false;
    const auto value = file.value(key).toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace

StoredSettings Preferences::load() const {
    const QSettings file(m_path, QSettings::IniFormat);
    // Kept as the store gives them, cut to 32 bits.
    const auto get = [&](const char* key) {
        return static_cast<std::uint32_t>(readInteger(file, key));
    };
    StoredSettings settings;
    // Until a language is saved, the desktop's.
    settings.language =
        file.contains("language") ? static_cast<std::int32_t>(get("language")) : desktopLanguage();
    settings.refreshKeyCode = get("refresh_hot_keycode");
    settings.refreshFlags = get("refresh_hot_keycode_flags");
    settings.thresholdKeyCode = get("threshold_hot_keycode");
    settings.thresholdFlags = get("threshold_hot_keycode_flags");
    settings.thresholdDownKeyCode = get("threshold_down_hot_keycode");
    settings.thresholdDownFlags = get("threshold_down_hot_keycode_flags");
    settings.keepInTray = static_cast<std::int32_t>(get("keep_in_tray"));
    settings.startAtLogin = static_cast<std::int32_t>(get("start_at_login"));
    // At most a day, as the settings offer: a longer period would overflow the timer.
    settings.fastRefreshSeconds =
        std::clamp(static_cast<std::int32_t>(get("fast_refresh_seconds")), 0, 86400);
    settings.notify = file.contains("notify") ? static_cast<std::int32_t>(get("notify")) : 1;
    settings.restoreOnPlug = static_cast<std::int32_t>(get("restore_on_plug"));
    return settings;
}

bool Preferences::save(const StoredSettings& settings) const {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSettings file(m_path, QSettings::IniFormat);
    file.setValue("language", settings.language);
    file.setValue("refresh_hot_keycode", settings.refreshKeyCode);
    file.setValue("refresh_hot_keycode_flags", settings.refreshFlags);
    file.setValue("threshold_hot_keycode", settings.thresholdKeyCode);
    file.setValue("threshold_hot_keycode_flags", settings.thresholdFlags);
    file.setValue("threshold_down_hot_keycode", settings.thresholdDownKeyCode);
    file.setValue("threshold_down_hot_keycode_flags", settings.thresholdDownFlags);
    file.setValue("keep_in_tray", settings.keepInTray);
    file.setValue("start_at_login", settings.startAtLogin);
    file.setValue("fast_refresh_seconds", settings.fastRefreshSeconds);
    file.setValue("notify", settings.notify);
    file.setValue("restore_on_plug", settings.restoreOnPlug);
    file.sync();
    return file.status() == QSettings::NoError;
}

} // namespace monctl
