#include "app/CliReporter.h"

#include "app/ButtonEventText.h"
#include "app/CommandLine.h"
#include "device/DeviceLink.h"

#include <fmt/format.h>

namespace monctl {

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
    print("{}\n", keyEventText(keyCode));
}

void CliReporter::receiveKeyBoardClickWithCodeForStarter() {
    print("{}\n", starterEventText());
}

void CliReporter::receiveMouseMovePointX(int dx, int dy) {
    print("{}\n", pointerEventText(dx, dy));
}

void CliReporter::receiveMouseClickEvent(int button) {
    print("{}\n", clickEventText(button));
}

void CliReporter::receiveMouseLongMovePointX(int dx, int dy) {
    print("{}\n", longMoveEventText(dx, dy));
}

} // namespace monctl
