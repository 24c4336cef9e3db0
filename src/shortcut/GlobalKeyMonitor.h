#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace monctl {

// Sees the key presses of every application, without taking them. Its descriptor is to be
// watched on the main loop; when it is readable, dispatchPending hands over each key press
// with its virtual key code and device-independent flags.
class GlobalKeyMonitor {
public:
    using KeyPressHandler = std::function<void(std::uint16_t virtualKey, std::uint64_t flags)>;

    virtual ~GlobalKeyMonitor() = default;
    virtual int descriptor() const = 0;
    virtual void dispatchPending(const KeyPressHandler& onKeyPress) = 0;

    // The monitor of this desktop, or none with the reason.
    static std::unique_ptr<GlobalKeyMonitor> create(std::string& whyUnavailable);
};

} // namespace monctl
