#pragma once

#include "shortcut/HotKeyService.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace monctl::test {

// A hot-key service that writes down what it is asked ("register 40/1800 #1",
// "unregister #1"), refuses the combinations it is told to, and presses on demand.
class FakeHotKeyService final : public HotKeyService {
public:
    std::string backendName() const override { return "fake"; }

    std::optional<Handle> registerHotKey(std::uint32_t keyCode, std::uint32_t flags,
                                         const HotKeyIdentity& identity) override;
    void unregisterHotKey(Handle handle) override;
    std::optional<Handle> installHandler(PressHandler handler) override;
    void removeHandler(Handle handle) override;

    void refuse(std::uint32_t keyCode, std::uint32_t flags) { m_refused.insert({keyCode, flags}); }
    void press(const HotKeyIdentity& identity);
    // The identity registered for a combination, if any.
    std::optional<HotKeyIdentity> identityOf(std::uint32_t keyCode, std::uint32_t flags) const;

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
