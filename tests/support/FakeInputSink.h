#pragma once

#include "input/InputSink.h"

#include <mutex>
#include <string>
#include <vector>

namespace monctl::test {

// An input sink that writes down what it is asked to post, e.g. "key 121 800000",
// "move 106 100", "click 0 at 100 100", "message ...". The pointer follows the moves.
class FakeInputSink final : public InputSink {
public:
    explicit FakeInputSink(PointerPosition pointer = {100, 100}) : m_pointer(pointer) {}

    PointerPosition pointerLocation() override;
    DesktopArea desktopArea() override;
    void postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) override;
    void postPointerMove(PointerPosition to) override;
    void postClick(int button, PointerPosition at) override;
    std::string backendName() const override { return "fake"; }
    // Where the tests send the messages the program shows.
    void showMessage(const std::string& text);

    void placePointer(PointerPosition at);
    void resizeDesktop(DesktopArea area);
    std::vector<std::string> posted() const;

private:
    void add(std::string what);

    mutable std::mutex m_mutex;
    PointerPosition m_pointer;
    DesktopArea m_desktop{0, 0, 1280, 800};
    std::vector<std::string> m_posted;
};

} // namespace monctl::test
