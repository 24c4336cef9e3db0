#include "support/FakeHotKeyService.h"

#include <fmt/format.h>

namespace monctl::test {

std::optional<HotKeyService::Handle>
FakeHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t flags,
                                  const HotKeyIdentity& identity) {
    if (m_refused.contains({keyCode, flags})) {
        log.push_back(fmt::format("refuse {}/{:X} #{}", keyCode, flags, identity.id));
        return std::nullopt;
    }
    const Handle handle = ++m_last;
    m_registered[handle] = {keyCode, flags, identity};
    log.push_back(fmt::format("register {}/{:X} #{}", keyCode, flags, identity.id));
    return handle;
}

void FakeHotKeyService::unregisterHotKey(Handle handle) {
    const auto found = m_registered.find(handle);
    if (found == m_registered.end())
        return;
    log.push_back(fmt::format("unregister {}/{:X} #{}", found->second.keyCode, found->second.flags,
                              found->second.identity.id));
    m_registered.erase(found);
}

std::optional<HotKeyService::Handle> FakeHotKeyService::installHandler(PressHandler handler) {
    const Handle handle = ++m_last;
    m_handlers[handle] = std::move(handler);
    return handle;
}

void FakeHotKeyService::removeHandler(Handle handle) {
    m_handlers.erase(handle);
}

void FakeHotKeyService::press(const HotKeyIdentity& identity) {
    const auto handlers = m_handlers;
    for (const auto& [handle, handler] : handlers)
        handler(identity);
}

std::optional<HotKeyIdentity> FakeHotKeyService::identityOf(std::uint32_t keyCode,
                                                            std::uint32_t flags) const {
    for (const auto& [handle, registered] : m_registered) {
        if (registered.keyCode == keyCode && registered.flags == flags)
            return registered.identity;
    }
    return std::nullopt;
}

} // namespace monctl::test
