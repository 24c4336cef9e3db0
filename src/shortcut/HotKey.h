#pragma once

#include "shortcut/HotKeyService.h"
#include "shortcut/Shortcut.h"

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace monctl {

// One registration of a shortcut as a system-wide hot key, alive as long as the object.
class HotKey {
public:
    static constexpr std::uint32_t signature = 0x53484B54; // 'SHKT'

    // None when the desktop refuses the combination; the id is used up all the same.
    static std::unique_ptr<HotKey> registeredHotKeyWithShortcut(const Shortcut& shortcut);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    std::uint32_t carbonID() const { return m_carbonID; }
    const std::function<void()>& action() const { return m_action; }
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    std::optional<HotKeyService::Handle> hotKeyRef() const { return m_hotKeyRef; }

private:
    HotKey(std::uint32_t id, HotKeyService::Handle handle) : m_carbonID(id), m_hotKeyRef(handle) {}

    std::uint32_t m_carbonID;
    std::function<void()> m_action;
    std::optional<HotKeyService::Handle> m_hotKeyRef;
};

// The registry of hot keys: registers shortcuts with actions and runs the action of each
// press on the main thread, in press order. Main thread only.
class HotKeyMonitor {
public:
    // The shared monitor; none when presses cannot be received.
    static HotKeyMonitor* sharedMonitor();
    static std::unique_ptr<HotKeyMonitor> create();
    ~HotKeyMonitor();

    bool registerShortcut(const Shortcut& shortcut, std::function<void()> action);
    void unregisterShortcut(const std::optional<Shortcut>& shortcut);
    void unregisterAllShortcuts();
    bool isShortcutRegistered(const Shortcut& shortcut) const;
    void handleEvent(const HotKeyIdentity& identity);

    const std::unordered_map<Shortcut, std::unique_ptr<HotKey>>& hotKeys() const {
        return m_hotKeys;
    }

private:
    explicit HotKeyMonitor(HotKeyService::Handle handler) : m_eventHandlerRef(handler) {}

    HotKeyService::Handle m_eventHandlerRef;
    std::unordered_map<Shortcut, std::unique_ptr<HotKey>> m_hotKeys;
};

} // namespace monctl
