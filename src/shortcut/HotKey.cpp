#include "shortcut/HotKey.h"

#include "runtime/MainQueue.h"

#include <mutex>
#include <utility>

namespace monctl {
namespace {

std::uint32_t lastCarbonID = 0; // main thread only

std::shared_ptr<HotKeyService>& chosenService() {
    static auto* service = new std::shared_ptr<HotKeyService>; // outlives every hot key
    return *service;
}

} // namespace

HotKeyService& HotKeyService::current() {
    assertMainThread();
    auto& service = chosenService();
    if (!service)
        service = std::make_shared<NullHotKeyService>("no hot-key service chosen");
    return *service;
}

void HotKeyService::use(std::shared_ptr<HotKeyService> service) {
    chosenService() = std::move(service);
}

std::unique_ptr<HotKey> HotKey::registeredHotKeyWithShortcut(const Shortcut& shortcut) {
    const std::uint32_t id = ++lastCarbonID;
    const auto handle = HotKeyService::current().registerHotKey(
        shortcut.carbonKeyCode(), shortcut.carbonFlags(), {signature, id});
    if (!handle)
        return nullptr;
    return std::unique_ptr<HotKey>(new HotKey(id, *handle));
}

HotKey::~HotKey() {
    if (const auto handle = std::exchange(m_hotKeyRef, std::nullopt))
        HotKeyService::current().unregisterHotKey(*handle);
}

HotKeyMonitor* HotKeyMonitor::sharedMonitor() {
    static const std::unique_ptr<HotKeyMonitor> shared = create();
    return shared.get();
}

std::unique_ptr<HotKeyMonitor> HotKeyMonitor::create() {
    // The handler reaches the monitor through a pointer set once the monitor exists; the
    // monitor removes the handler before it goes.
    auto self = std::make_shared<HotKeyMonitor*>(nullptr);
    const auto handler =
        HotKeyService::current().installHandler([self](const HotKeyIdentity& identity) {
            if (*self)
                (*self)->handleEvent(identity);
        });
    if (!handler)
        return nullptr;
    std::unique_ptr<HotKeyMonitor> monitor(new HotKeyMonitor(*handler));
    *self = monitor.get();
    return monitor;
}

HotKeyMonitor::~HotKeyMonitor() {
    m_hotKeys.clear();
    HotKeyService::current().removeHandler(m_eventHandlerRef);
}

bool HotKeyMonitor::registerShortcut(const Shortcut& shortcut, std::function<void()> action) {
    auto hotKey = HotKey::registeredHotKeyWithShortcut(shortcut);
    if (!hotKey)
        return false;
    hotKey->setAction(std::move(action));
    m_hotKeys.insert_or_assign(shortcut, std::move(hotKey)); // an earlier one is unregistered
    return true;
}

void HotKeyMonitor::unregisterShortcut(const std::optional<Shortcut>& shortcut) {
    if (shortcut)
        m_hotKeys.erase(*shortcut);
}

void HotKeyMonitor::unregisterAllShortcuts() {
    m_hotKeys.clear();
}

bool HotKeyMonitor::isShortcutRegistered(const Shortcut& shortcut) const {
    return m_hotKeys.contains(shortcut);
}

void HotKeyMonitor::handleEvent(const HotKeyIdentity& identity) {
    if (identity.signature != HotKey::signature)
        return;
    for (const auto& [shortcut, hotKey] : m_hotKeys) {
        if (hotKey->carbonID() != identity.id)
            continue;
        if (const auto& action = hotKey->action())
            MainQueue::shared()->post(action);
        return;
    }
}

} // namespace monctl
