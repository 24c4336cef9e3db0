#pragma once

#include "input/InputSink.h"
#include "platform/linux/UinputDevice.h"

#include <memory>

namespace monctl {

// Synthetic input through a virtual device of the kernel's: every desktop takes it, Wayland
// compositors included. Each press, step and click is one batch with its SYN reports, the
// release written with the press. The pointer's position cannot be read back, so steps are
// relative and unchecked: the desktop keeps the pointer on screen.
class UinputInputSink final : public InputSink {
public:
    // None without access to /dev/uinput; the reason then tells the fix.
    static std::unique_ptr<UinputInputSink> open(std::string& whyNot);
    explicit UinputInputSink(std::unique_ptr<UinputDevice> device) : m_device(std::move(device)) {}

    // The evdev keys the device offers: the monitor's buttons' keys, Return and the modifiers.
    static const std::vector<unsigned>& keys();

    PointerPosition pointerLocation() override { return {}; }
    DesktopArea desktopArea() override { return {}; }
    bool readsPointer() const override { return false; }
    void postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) override;
    void postPointerMove(PointerPosition to) override;
    void postPointerStep(int dx, int dy) override;
    // At wherever the pointer is: the position given cannot be known here.
    void postClick(int button, PointerPosition at) override;
    std::string backendName() const override { return "uinput (libevdev)"; }

private:
    void write(const std::vector<input_event>& batch);

    std::unique_ptr<UinputDevice> m_device;
};

} // namespace monctl
