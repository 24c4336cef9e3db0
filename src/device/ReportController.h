#pragma once

namespace monctl {

class SerialPort;

// What the device link tells about the monitors: their reported settings, changes of the
// list of monitors, and the monitors' button events. Called on the main thread only.
class ReportController {
public:
    virtual ~ReportController() = default;

    // Where the frames of this listed port go: this target unless it has one per port; none
    // drops them.
    virtual ReportController* reportsFrom(const SerialPort& /*port*/) { return this; }

    virtual void updateViewThresholdDisplay(int contrast) = 0;
    virtual void updateViewModeDisplay(int mode) = 0;
    virtual void updateViewSpeedDisplay(int speed) = 0;
    // The list of valid ports has changed.
    virtual void updateMainViewContent() = 0;

    virtual void receiveKeyBoardClickWithCode(int keyCode) = 0;
    virtual void receiveKeyBoardClickWithCodeForStarter() = 0;
    virtual void receiveMouseMovePointX(int dx, int dy) = 0;
    virtual void receiveMouseClickEvent(int button) = 0;         // 0 left, 1 right
    virtual void receiveMouseLongMovePointX(int dx, int dy) = 0; // 0, 0 ends a long move
    // The monitor that started the running long move went away before its release: the move
    // is to end now. Where nothing moves the pointer there is nothing to end.
    virtual void longMoveSourceRemoved() {}
};

} // namespace monctl
