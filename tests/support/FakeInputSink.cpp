#include "support/FakeInputSink.h"

#include <fmt/format.h>

namespace monctl::test {

PointerPosition FakeInputSink::pointerLocation() {
    std::lock_guard lock(m_mutex);
    return m_pointer;
}

DesktopArea FakeInputSink::desktopArea() {
    std::lock_guard lock(m_mutex);
    return m_desktop;
}

void FakeInputSink::postKeyPress(std::uint16_t virtualKey, std::uint64_t flags) {
    add(fmt::format("key {} {:X}", virtualKey, flags));
}

void FakeInputSink::postPointerMove(PointerPosition to) {
    {
        std::lock_guard lock(m_mutex);
        m_pointer = to;
    }
    add(fmt::format("move {} {}", to.x, to.y));
}

void FakeInputSink::postClick(int button, PointerPosition at) {
    add(fmt::format("click {} at {} {}", button, at.x, at.y));
}

void FakeInputSink::showMessage(const std::string& text) {
    add("message " + text);
}

void FakeInputSink::placePointer(PointerPosition at) {
    std::lock_guard lock(m_mutex);
    m_pointer = at;
}

void FakeInputSink::resizeDesktop(DesktopArea area) {
    std::lock_guard lock(m_mutex);
    m_desktop = area;
}

std::vector<std::string> FakeInputSink::posted() const {
    std::lock_guard lock(m_mutex);
    return m_posted;
}

void FakeInputSink::add(std::string what) {
    std::lock_guard lock(m_mutex);
    m_posted.push_back(std::move(what));
}

} // namespace monctl::test
