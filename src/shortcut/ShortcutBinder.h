#pragma once

#include "runtime/Signal.h"
#include "shortcut/HotKey.h"
#include "shortcut/ShortcutPreferences.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace monctl {

// How a stored value becomes a shortcut and back.
struct BindingOptions {
    std::function<std::optional<Shortcut>(const std::string&)> transformedValue;
    std::function<std::string(const Shortcut&)> reverseTransformedValue;

    // The keyed archive's stored text (Shortcut::archiveText).
    static BindingOptions keyedArchive();
};

// Ties preference keys to actions: the shortcut stored under a bound key stays registered as
// a hot key with the key's action, and follows every change of the stored value. Main thread.
class ShortcutBinder {
public:
    static ShortcutBinder& sharedBinder();
    ShortcutBinder(ShortcutPreferences& preferences, HotKeyMonitor* monitor);
    ~ShortcutBinder();

    void bindShortcutWithDefaultsKey(const std::string& key, std::function<void()> action);
    void breakBindingWithDefaultsKey(const std::string& key);
    void registerDefaultShortcuts(const std::map<std::string, Shortcut>& defaults);
    bool isRegisteredAction(const std::string& key) const { return m_actions.contains(key); }

    // A bound key reads as its shortcut (or none); an unbound key gives the undefined-key
    // error, here an absent answer / false.
    std::optional<std::optional<Shortcut>> valueForUndefinedKey(const std::string& key) const;
    bool setValueForUndefinedKey(const std::optional<Shortcut>& value, const std::string& key);

    HotKeyMonitor* shortcutMonitor() const { return m_shortcutMonitor; }
    const BindingOptions& bindingOptions() const { return m_bindingOptions; }
    void setBindingOptions(BindingOptions options) { m_bindingOptions = std::move(options); }
    const std::map<std::string, Shortcut>& shortcuts() const { return m_shortcuts; }

    // Where the shared binder keeps its preferences; before its first use.
    static void useSharedPreferences(std::shared_ptr<ShortcutPreferences> preferences);

private:
    ShortcutPreferences& m_preferences;
    HotKeyMonitor* m_shortcutMonitor;
    BindingOptions m_bindingOptions = BindingOptions::keyedArchive();
    std::map<std::string, std::function<void()>> m_actions;
    std::map<std::string, Shortcut> m_shortcuts;
    std::map<std::string, Connection> m_bindings;
};

} // namespace monctl
