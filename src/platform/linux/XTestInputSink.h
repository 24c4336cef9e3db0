#pragma once

#include "input/InputSink.h"
#include "runtime/Backend.h"

#include <memory>
#include <mutex>

// Xlib's own name for its connection, declared here to keep Xlib out of the header.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace monctl {

// Synthetic input through the X server's XTest extension, on a connection of its own.
class XTestInputSink final : public InputSink {
public:
    // None, with the reason, when the session has no X server with XTest.
    static Opened<XTestInputSink> open();
    ~XTestInputSink() override;

    PointerPosition pointerLocation() override;
    DesktopArea desktopArea() override;
    void postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) override;
    void postPointerMove(PointerPosition to) override;
    void postClick(int button, PointerPosition at) override;
    std::string backendName() const override { return "XTest"; }

private:
    explicit XTestInputSink(Display* display) : m_display(display) {}

    std::mutex m_mutex; // Xlib calls on one connection, one at a time
    Display* m_display;
};

} // namespace monctl
