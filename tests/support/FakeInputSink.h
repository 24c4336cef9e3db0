#pragma once

#include "input/InputSink.h"

#include <fmt/format.h>
#include <mutex>
#include <string>
#include <vector>

namespace monctl::test {

// An input sink that writes down what it is asked to post, e.g. "key 121 800000",
// "move 106 100", "click 0 at 100 100", "message ...". The pointer follows the moves.
class FakeInputSink final : public InputSink {
public:
    explicit FakeInputSink(PointerPosition pointer = {100, 100}) : m_pointer(pointer) {}

    PointerPosition pointerLocation() override {
        std::lock_guard lock(m_mutex);
        return m_pointer;
    }
    DesktopArea desktopArea() override {
        std::lock_guard lock(m_mutex);
        return m_desktop;
    }
    void postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) override {
        add(fmt::format("key {} {:X}", virtualKey, flags));
    }
    void postPointerMove(PointerPosition to) override {
        placePointer(to);
        add(fmt::format("move {} {}", to.x, to.y));
    }
    void postClick(int button, PointerPosition at) override {
        add(fmt::format("click {} at {} {}", button, at.x, at.y));
    }
    std::string backendName() const override { return "fake"; }
    // Where the tests send the messages the program shows.
    void showMessage(const std::string& text) { add("message " + text); }

    void placePointer(PointerPosition at) {
        std::lock_guard lock(m_mutex);
        m_pointer = at;
    }
    void resizeDesktop(DesktopArea area) {
        std::lock_guard lock(m_mutex);
        m_desktop = area;
    }
    std::vector<std::string> posted() const {
        std::lock_guard lock(m_mutex);
        return m_posted;
    }

private:
    void add(std::string what) {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(what));
    }

    mutable std::mutex m_mutex;
    PointerPosition m_pointer;
    DesktopArea m_desktop{0, 0, 1280, 800};
    std::vector<std::string> m_posted;
};

} // namespace monctl::test
