#include "app/CliReporter.h"

#include "app/CommandLine.h"
#include "device/DeviceLink.h"
#include "shortcut/KeyCodes.h"

#include <fmt/format.h>

namespace monctl {
namespace {

std::string keyName(int keyCode) {
    switch (keyCode) {
    case VirtualKey::space:
        return "space";
    case VirtualKey::pageUp:
        return "page-up";
    case VirtualKey::pageDown:
        return "page-down";
    case VirtualKey::downArrow:
        return "down";
    case VirtualKey::upArrow:
        return "up";
    default:
        return std::to_string(keyCode);
    }
}

} // namespace

template <class... Args> void CliReporter::print(const char* format, Args... args) {
    if (!m_events)
        return;
    fmt::print(m_events, fmt::runtime(format), args...);
    std::fflush(m_events);
}

void CliReporter::updateViewThresholdDisplay(int value) {
    contrast = value;
    print("contrast {}\n", value);
}

void CliReporter::updateViewModeDisplay(int value) {
    mode = value;
    print("mode {}\n", modeName(value));
}

void CliReporter::updateViewSpeedDisplay(int value) {
    speed = value;
    print("speed {}\n", value);
}

void CliReporter::updateMainViewContent() {
    m_link.currentDisplayPort(0);
}

void CliReporter::receiveKeyBoardClickWithCode(int keyCode) {
    print("key {}\n", keyName(keyCode));
}

void CliReporter::receiveKeyBoardClickWithCodeForStarter() {
    print("starter\n");
}

void CliReporter::receiveMouseMovePointX(int dx, int dy) {
    print("pointer {} {}\n", dx, dy);
}

void CliReporter::receiveMouseClickEvent(int button) {
    print("click {}\n", button == 0 ? "left" : "right");
}

void CliReporter::receiveMouseLongMovePointX(int dx, int dy) {
    if (dx == 0 && dy == 0)
        print("long-move end\n");
    else
        print("long-move {} {}\n", dx, dy);
}

} // namespace monctl
