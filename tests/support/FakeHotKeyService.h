#pragma once

#include "shortcut/HotKeyService.h"

#include <algorithm>
#include <fmt/format.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace monctl::test {

// A hot-key service that writes down what it is asked ("register 40/1800 #1", "unregister 40/1800
// #1"), refuses the combinations it is told to, and presses on demand.
class FakeHotKeyService final : public HotKeyService {
public:
    std::string backendName() const override { return "fake"; }

    std::optional<Handle> registerHotKey(std::uint32_t keyCode, std::uint32_t flags,
                                         const HotKeyIdentity& identity) override {
        const bool refused = m_refused.contains({keyCode, flags});
        log.push_back(fmt::format("{} {}/{:X} #{}", refused ? "refuse" : "register", keyCode, flags,
                                  identity.id));
        if (refused)
            return std::nullopt;
        m_registered[++m_last] = {keyCode, flags, identity};
        return m_last;
    }
    void unregisterHotKey(Handle handle) override {
        if (const auto found = m_registered.extract(handle))
            log.push_back(fmt::format("unregister {}/{:X} #{}", found.mapped().keyCode,
                                      found.mapped().flags, found.mapped().identity.id));
    }
    std::optional<Handle> installHandler(PressHandler handler) override {
        m_handlers[++m_last] = std::move(handler);
        return m_last;
    }
    void removeHandler(Handle handle) override { m_handlers.erase(handle); }

    void refuse(std::uint32_t keyCode, std::uint32_t flags) { m_refused.insert({keyCode, flags}); }
    void press(const HotKeyIdentity& identity) {
        for (const auto& [handle, handler] : std::map(m_handlers))
            handler(identity);
    }
    // The identity registered for a combination, if any.
    std::optional<HotKeyIdentity> identityOf(std::uint32_t keyCode, std::uint32_t flags) const {
        const auto found = std::ranges::find_if(m_registered, [&](const auto& entry) {
            return entry.second.keyCode == keyCode && entry.second.flags == flags;
        });
        return found == m_registered.end() ? std::nullopt : std::optional(found->second.identity);
    }

    std::vector<std::string> log;

private:
    struct Registered {
        std::uint32_t keyCode;
        std::uint32_t flags;
        HotKeyIdentity identity;
    };
    std::set<std::pair<std::uint32_t, std::uint32_t>> m_refused;
    std::map<Handle, Registered> m_registered;
    std::map<Handle, PressHandler> m_handlers;
    Handle m_last = 0;
};

} // namespace monctl::test
