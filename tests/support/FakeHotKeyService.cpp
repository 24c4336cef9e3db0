#include "support/FakeHotKeyService.h"

#include <fmt/format.h>

namespace monctl::test {

std::optional<HotKeyService::Handle>
FakeHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t flags,
                                  const HotKeyIdentity& identity) {
    const bool refused = m_refused.contains({keyCode, flags});
    log.push_back(fmt::format("{} {}/{:X} #{}", refused ? "refuse" : "register", keyCode, flags,
                              identity.id));
    if (refused)
        return std::nullopt;
    m_registered[++m_last] = {keyCode, flags, identity};
    return m_last;
}

void FakeHotKeyService::unregisterHotKey(Handle handle) {
    if (const auto found = m_registered.extract(handle))
        log.push_back(fmt::format("unregister {}/{:X} #{}", found.mapped().keyCode,
                                  found.mapped().flags, found.mapped().identity.id));
}

std::optional<HotKeyService::Handle> FakeHotKeyService::installHandler(PressHandler handler) {
    m_handlers[++m_last] = std::move(handler);
    return m_last;
}

void FakeHotKeyService::removeHandler(Handle handle) {
    m_handlers.erase(handle);
}

void FakeHotKeyService::press(const HotKeyIdentity& identity) {
    for (const auto& [handle, handler] : std::map(m_handlers))
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
