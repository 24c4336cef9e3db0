#pragma once

#include "input/InputSink.h"
#include "platform/linux/UinputDevice.h"
#include "runtime/Backend.h"

#include <memory>

namespace monctl {

// Synthetic input through two virtual devices of the kernel's, a keyboard and a pointer
// (desktops misjudge a device that is both, or refuse it): every desktop takes them, Wayland
// compositors included. Each press, step and click is one batch with its SYN reports, the
// release written with the press. The pointer's position cannot be read back, so steps are
// relative and unchecked: the desktop keeps the pointer on screen, and accelerates them.
class UinputInputSink final : public InputSink {
public:
    // None without access to /dev/uinput; the reason then tells the fix.
    static Opened<UinputInputSink> open();
    UinputInputSink(std::unique_ptr<UinputDevice> keyboard, std::unique_ptr<UinputDevice> pointer)
        : m_keyboard(std::move(keyboard)), m_pointer(std::move(pointer)) {}

    // The keyboard: the monitor's buttons' keys, Return and the modifiers Shift, Control, Alt
    // and Super.
    static const UinputDeviceKind& keyboard();
    // The pointer: relative X and Y axes, left and right buttons.
    static const UinputDeviceKind& pointer();

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
    static void write(UinputDevice& device, const std::vector<input_event>& batch);

    std::unique_ptr<UinputDevice> m_keyboard;
    std::unique_ptr<UinputDevice> m_pointer;
};

} // namespace monctl
