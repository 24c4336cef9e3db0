#include "device/FrameDispatch.h"

#include "device/ReportController.h"

namespace monctl {
namespace {

constexpr std::uint32_t parameterRequest = 10;
constexpr std::uint32_t versionParameter = 16;

enum KeyCode { space = 49, pageUp = 116, pageDown = 121, downArrow = 125, upArrow = 126 };

bool dispatchButton(std::uint32_t subCode, ReportController& target) {
    constexpr int step = 6;
    constexpr int longStep = 70;
    switch (subCode) {
    case 1:
        target.receiveKeyBoardClickWithCode(pageDown);
        return true;
    case 2:
        target.receiveKeyBoardClickWithCode(pageUp);
        return true;
    case 3:
        target.receiveKeyBoardClickWithCode(downArrow);
        return true;
    case 4:
        target.receiveKeyBoardClickWithCode(upArrow);
        return true;
    case 5:
        target.receiveKeyBoardClickWithCode(space);
        return true;
    case 6:
        target.receiveKeyBoardClickWithCodeForStarter();
        return true;
    case 7:
        target.receiveMouseMovePointX(-step, 0);
        return true;
    case 8:
        target.receiveMouseMovePointX(step, 0);
        return true;
    case 9:
        target.receiveMouseMovePointX(0, step);
        return true;
    case 10:
        target.receiveMouseMovePointX(0, -step);
        return true;
    case 11:
        target.receiveMouseClickEvent(0);
        return true;
    case 12:
        target.receiveMouseClickEvent(1);
        return true;
    case 16:
        target.receiveMouseLongMovePointX(0, -longStep);
        return true;
    case 17:
        target.receiveMouseLongMovePointX(0, longStep);
        return true;
    case 18:
        target.receiveMouseLongMovePointX(longStep, 0);
        return true;
    case 19:
        target.receiveMouseLongMovePointX(-longStep, 0);
        return true;
    case 20:
    case 21:
    case 22:
    case 23:
        target.receiveMouseLongMovePointX(0, 0);
        return true;
    default:
        return false; // 0, 13 to 15 and above 23 mean nothing
    }
}

bool dispatchParameterReply(const DeviceFrame& frame, ReportController& target) {
    if (frame.commandRe != parameterRequest)
        return false;
    const auto value = static_cast<int>(frame.commandReValue);
    switch (frame.commandRq) {
    case 1:
        target.updateViewThresholdDisplay(value);
        return true;
    case 2:
    case 3:
        target.updateViewModeDisplay(value);
        return true;
    case 4:
        target.updateViewSpeedDisplay(value);
        return true;
    default:
        return false;
    }
}

} // namespace

bool isIdentityReply(const DeviceFrame& frame) {
    return frame.isComplete() && frame.isParameterReply() && frame.commandRe == parameterRequest &&
           frame.commandRq == versionParameter && frame.commandReValue == versionParameter;
}

bool dispatchFrame(const DeviceFrame& frame, ReportController& target) {
    if (!frame.isComplete())
        return false;
    const auto value = static_cast<int>(frame.commandRe);
    switch (frame.command) {
    case 0x01:
        target.updateViewThresholdDisplay(value);
        return true;
    case 0x02:
        target.updateViewModeDisplay(value);
        return true;
    case 0x04:
        target.updateViewSpeedDisplay(value);
        return true;
    case 0x06:
        return dispatchButton(frame.commandRe, target);
    case DeviceFrame::parameterReply:
    case DeviceFrame::legacyParameterReply:
        return dispatchParameterReply(frame, target);
    default:
        return false;
    }
}

} // namespace monctl
