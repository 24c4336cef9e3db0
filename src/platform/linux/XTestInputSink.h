#pragma once

#include "input/InputSink.h"

#include <functional>
#include <memory>
#include <mutex>

typedef struct _XDisplay Display;

namespace monctl {

// Synthetic input through the X server's XTest extension, on a connection of its own.
class XTestInputSink final : public InputSink {
public:
    using ShowMessage = std::function<void(const std::string&)>;

    static std::unique_ptr<XTestInputSink> open(ShowMessage showMessage, std::string& whyNot);
    ~XTestInputSink() override;

    PointerPosition pointerLocation() override;
    void postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) override;
    void postPointerMove(PointerPosition to) override;
    void postClick(int button, PointerPosition at) override;
    void showMessage(const std::string& text) override { m_showMessage(text); }

private:
    XTestInputSink(Display* display, ShowMessage showMessage)
        : m_display(display), m_showMessage(std::move(showMessage)) {}

    std::mutex m_mutex; // Xlib calls on one connection, one at a time
    Display* m_display;
    ShowMessage m_showMessage;
};

} // namespace monctl
