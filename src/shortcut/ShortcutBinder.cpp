#include "shortcut/ShortcutBinder.h"

#include <QStandardPaths>

namespace monctl {
namespace {

std::shared_ptr<ShortcutPreferences>& sharedPreferences() {
    static auto* preferences = new std::shared_ptr<ShortcutPreferences>;
    return *preferences;
}

} // namespace

BindingOptions BindingOptions::keyedArchive() {
    return {[](const std::string& stored) { return Shortcut::fromArchiveText(stored); },
            [](const Shortcut& shortcut) { return shortcut.archiveText(); }};
}

void ShortcutBinder::useSharedPreferences(std::shared_ptr<ShortcutPreferences> preferences) {
    sharedPreferences() = std::move(preferences);
}

ShortcutBinder& ShortcutBinder::sharedBinder() {
    static ShortcutBinder* binder = [] {
        auto& preferences = sharedPreferences();
        if (!preferences)
            preferences = std::make_shared<SettingsFilePreferences>(
                QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                "/monctl/monctl.conf");
        return new ShortcutBinder(*preferences, HotKeyMonitor::sharedMonitor());
    }();
    return *binder;
}

ShortcutBinder::ShortcutBinder(ShortcutPreferences& preferences, HotKeyMonitor* monitor)
    : m_preferences(preferences), m_shortcutMonitor(monitor) {}

ShortcutBinder::~ShortcutBinder() {
    m_bindings.clear();
}

void ShortcutBinder::bindShortcutWithDefaultsKey(const std::string& key,
                                                 std::function<void()> action) {
    m_actions[key] = std::move(action);
    m_bindings[key] =
        m_preferences.watch(key, [this, key](const std::optional<std::string>& stored) {
            std::optional<Shortcut> value;
            if (stored)
                value = m_bindingOptions.transformedValue(*stored);
            setValueForUndefinedKey(value, key);
        });
}

void ShortcutBinder::breakBindingWithDefaultsKey(const std::string& key) {
    if (const auto held = m_shortcuts.find(key); held != m_shortcuts.end() && m_shortcutMonitor)
        m_shortcutMonitor->unregisterShortcut(held->second);
    m_shortcuts.erase(key);
    m_actions.erase(key);
    m_bindings.erase(key);
}

void ShortcutBinder::registerDefaultShortcuts(const std::map<std::string, Shortcut>& defaults) {
    for (const auto& [key, shortcut] : defaults)
        m_preferences.registerDefault(key, m_bindingOptions.reverseTransformedValue(shortcut));
}

std::optional<std::optional<Shortcut>>
ShortcutBinder::valueForUndefinedKey(const std::string& key) const {
    if (!isRegisteredAction(key))
        return std::nullopt;
    const auto held = m_shortcuts.find(key);
    return held == m_shortcuts.end() ? std::optional<Shortcut>() : std::optional(held->second);
}

// The old shortcut always goes before the new one is registered; a refused one is kept.
bool ShortcutBinder::setValueForUndefinedKey(const std::optional<Shortcut>& value,
                                             const std::string& key) {
    if (!isRegisteredAction(key))
        return false;
    if (const auto held = m_shortcuts.find(key); held != m_shortcuts.end() && m_shortcutMonitor)
        m_shortcutMonitor->unregisterShortcut(held->second);
    if (value) {
        m_shortcuts.insert_or_assign(key, *value);
        if (m_shortcutMonitor)
            m_shortcutMonitor->registerShortcut(*value, m_actions[key]);
    } else {
        m_shortcuts.erase(key);
    }
    return true;
}

} // namespace monctl
