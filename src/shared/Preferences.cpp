#include "shared/Preferences.h"

#include "shared/DesktopLanguage.h"

#include <QDir>
#include <QSettings>
#include <algorithm>
#include <utility>

namespace monctl {
namespace {

// A value that does not fit the setting's type is as bad as one that is no number.
template <class Integer> Integer readInteger(const QSettings& file, const char* key) {
    bool ok = false;
    const auto value = file.value(key).toLongLong(&ok);
    return ok && std::in_range<Integer>(value) ? static_cast<Integer>(value) : 0;
}

} // namespace

StoredSettings Preferences::load() const {
    const QSettings file(m_path, QSettings::IniFormat);
    const auto get = [&](const char* key) { return readInteger<std::int32_t>(file, key); };
    const auto getCode = [&](const char* key) { return readInteger<std::uint32_t>(file, key); };
    StoredSettings settings;
    // Until a language is saved, the desktop's.
    settings.language = file.contains("language") ? get("language") : desktopLanguage();
    settings.refreshKeyCode = getCode("refresh_hot_keycode");
    settings.refreshFlags = getCode("refresh_hot_keycode_flags");
    settings.thresholdKeyCode = getCode("threshold_hot_keycode");
    settings.thresholdFlags = getCode("threshold_hot_keycode_flags");
    settings.thresholdDownKeyCode = getCode("threshold_down_hot_keycode");
    settings.thresholdDownFlags = getCode("threshold_down_hot_keycode_flags");
    settings.keepInTray = get("keep_in_tray");
    settings.startAtLogin = get("start_at_login");
    // At most a day, as the settings offer: a longer period would overflow the timer.
    settings.fastRefreshSeconds = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        readInteger<std::int64_t>(file, "fast_refresh_seconds"), 0, 86400));
    settings.notify = file.contains("notify") ? get("notify") : 1;
    settings.restoreOnPlug = get("restore_on_plug");
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
