#pragma once

#include "input/InputSink.h"

#include <atomic>

namespace monctl {

// Where input goes when the desktop takes none: every post is dropped, and the first drop
// logs why.
class NullInputSink final : public NullBackend<InputSink> {
public:
    using NullBackend::NullBackend;

    PointerPosition pointerLocation() override { return {}; }
    DesktopArea desktopArea() override { return {}; }
    void postKeyPress(std::uint16_t, std::uint64_t) override { drop(); }
    void postPointerMove(PointerPosition) override { drop(); }
    void postClick(int, PointerPosition) override { drop(); }

private:
    void drop();

    std::atomic<bool> m_said{false};
};

} // namespace monctl
