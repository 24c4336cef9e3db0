#pragma once

#include "runtime/Backend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace monctl {

// Sees the key presses of every application, without taking them. Its descriptor is to be
// watched on the main loop; when it is readable, dispatchPending hands over each key press
// with its virtual key code, device-independent flags and the window system's time of the
// press (the time the application's own windows see it with). Nothing is left waiting
// when dispatchPending returns: what arrives later makes the descriptor readable again.
class GlobalKeyMonitor : public Backend {
public:
    using KeyPressHandler =
        std::function<void(std::uint16_t virtualKey, std::uint64_t flags, std::uint64_t time)>;

    ~GlobalKeyMonitor() override = default;
    // -1 when there is nothing to watch.
    virtual int descriptor() const = 0;
    virtual void dispatchPending(const KeyPressHandler& onKeyPress) = 0;
};

// Where no desktop lets us see other applications' keys: shortcuts work in front only.
class NullGlobalKeyMonitor final : public NullBackend<GlobalKeyMonitor> {
public:
    using NullBackend::NullBackend;
    int descriptor() const override { return -1; }
    void dispatchPending(const KeyPressHandler&) override {}
};

} // namespace monctl
