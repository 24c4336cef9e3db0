#include "device/FrameDispatch.h"

#include "device/Protocol.h"
#include "device/ReportController.h"
#include "shortcut/KeyCodes.h"

namespace monctl {
namespace {

constexpr int step = 6;
constexpr int longStep = 70;

struct Move {
    int dx;
    int dy;
};

// The buttons by sub-code: 1 to 5 press a key, 7 to 10 step the pointer, 16 to 19 start a
// long move.
constexpr std::uint32_t buttonEvent = 0x06;

constexpr std::uint16_t keyButtons[] = {VirtualKey::pageDown, VirtualKey::pageUp,
                                        VirtualKey::downArrow, VirtualKey::upArrow,
                                        VirtualKey::space};
constexpr Move stepButtons[] = {{-step, 0}, {step, 0}, {0, step}, {0, -step}};
constexpr Move longMoveButtons[] = {{0, -longStep}, {0, longStep}, {longStep, 0}, {-longStep, 0}};

// The entry for the sub-code in a table whose first entry is for sub-code first, if any.
template <class Entry, std::size_t size>
const Entry* buttonIn(const Entry (&table)[size], std::uint32_t first, std::uint32_t subCode) {
    return subCode >= first && subCode - first < size ? &table[subCode - first] : nullptr;
}

// The release of any direction button, 20 to 23.
bool endsLongMove(std::uint32_t subCode) {
    return subCode >= 20 && subCode <= 23;
}

bool dispatchButton(std::uint32_t subCode, ReportController& target) {
    if (const auto* key = buttonIn(keyButtons, 1, subCode))
        target.receiveKeyBoardClickWithCode(*key);
    else if (subCode == 6)
        target.receiveKeyBoardClickWithCodeForStarter();
    else if (const auto* pointerStep = buttonIn(stepButtons, 7, subCode))
        target.receiveMouseMovePointX(pointerStep->dx, pointerStep->dy);
    else if (subCode == 11 || subCode == 12)
        target.receiveMouseClickEvent(static_cast<int>(subCode) - 11);
    else if (const auto* longMove = buttonIn(longMoveButtons, 16, subCode))
        target.receiveMouseLongMovePointX(longMove->dx, longMove->dy);
    else if (endsLongMove(subCode))
        target.receiveMouseLongMovePointX(0, 0);
    else
        return false; // 0, 13 to 15 and above 23 mean nothing
    return true;
}

// A setting's value, reported (types 1, 2 and 4) or read back (parameters 1 to 4, of which 2
// and 3 both read the mode).
bool showSetting(std::uint32_t setting, int value, ReportController& target) {
    switch (setting) {
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

bool dispatchParameterReply(const DeviceFrame& frame, ReportController& target) {
    if (frame.commandRe != Protocol::parameterRequest)
        return false;
    return showSetting(frame.commandRq, static_cast<int>(frame.commandReValue), target);
}

} // namespace

bool isIdentityReply(const DeviceFrame& frame) {
    return frame.isComplete() && frame.isParameterReply() &&
           frame.commandRe == Protocol::parameterRequest &&
           frame.commandRq == Protocol::versionParameter &&
           frame.commandReValue == Protocol::versionParameter;
}

bool dispatchFrame(const DeviceFrame& frame, ReportController& target) {
    if (!frame.isComplete())
        return false;
    switch (frame.command) {
    case 0x01:
    case 0x02:
    case 0x04:
        return showSetting(frame.command, static_cast<int>(frame.commandRe), target);
    case buttonEvent:
        return dispatchButton(frame.commandRe, target);
    case DeviceFrame::parameterReply:
    case DeviceFrame::legacyParameterReply:
        return dispatchParameterReply(frame, target);
    default:
        return false;
    }
}

LongMoveChange longMoveChangeOf(const DeviceFrame& frame) {
    if (!frame.isComplete() || frame.command != buttonEvent)
        return LongMoveChange::none;
    if (buttonIn(longMoveButtons, 16, frame.commandRe))
        return LongMoveChange::start;
    return endsLongMove(frame.commandRe) ? LongMoveChange::end : LongMoveChange::none;
}

} // namespace monctl
