#pragma once

#include "input/InputSink.h"

#include <functional>

namespace monctl {

// Where input goes when the desktop takes none: every post is dropped with one log line
// that says why; messages are still shown.
class NullInputSink final : public InputSink {
public:
    NullInputSink(std::string reason, std::function<void(const std::string&)> showMessage)
        : m_reason(std::move(reason)), m_showMessage(std::move(showMessage)) {}

    PointerPosition pointerLocation() override { return {}; }
    void postKeyPress(std::uint16_t, std::uint64_t) override { drop(); }
    void postPointerMove(PointerPosition) override { drop(); }
    void postClick(int, PointerPosition) override { drop(); }
    void showMessage(const std::string& text) override { m_showMessage(text); }

private:
    void drop();

    std::string m_reason;
    std::function<void(const std::string&)> m_showMessage;
    bool m_said = false;
};

} // namespace monctl
