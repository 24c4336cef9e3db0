#pragma once

#include "runtime/Backend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace monctl {

// Who a hot key is: a component's signature and an id within it.
struct HotKeyIdentity {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    bool operator==(const HotKeyIdentity&) const = default;
};

// The desktop's service for system-wide hot keys: a combination (in the Carbon encoding of
// Shortcut) is registered under an identity and reported at each press, on the main thread,
// whatever application is in front.
class HotKeyService : public Backend {
public:
    using Handle = std::uint64_t;
    using PressHandler = std::function<void(const HotKeyIdentity&)>;

    ~HotKeyService() override = default;

    // A handle, or none when another program already holds the combination.
    virtual std::optional<Handle> registerHotKey(std::uint32_t carbonKeyCode,
                                                 std::uint32_t carbonFlags,
                                                 const HotKeyIdentity& identity) = 0;
    virtual void unregisterHotKey(Handle handle) = 0;
    // Handlers hear of every press; none when the service cannot deliver presses.
    virtual std::optional<Handle> installHandler(PressHandler handler) = 0;
    virtual void removeHandler(Handle handle) = 0;

    // The service hot keys use: the one given, else one that refuses everything. Main
    // thread only.
    static HotKeyService& current();
    static void use(std::shared_ptr<HotKeyService> service);
};

// Refuses every combination and delivers no press.
class NullHotKeyService final : public NullBackend<HotKeyService> {
public:
    using NullBackend::NullBackend;
    std::optional<Handle> registerHotKey(std::uint32_t, std::uint32_t,
                                         const HotKeyIdentity&) override {
        return std::nullopt;
    }
    void unregisterHotKey(Handle) override {}
    std::optional<Handle> installHandler(PressHandler) override { return std::nullopt; }
    void removeHandler(Handle) override {}
};

} // namespace monctl
