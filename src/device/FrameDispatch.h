#pragma once

#include "device/DeviceFrame.h"

namespace monctl {

class ReportController;

// Calls what a monitor frame asks of the report target: setting displays for reports and
// parameter replies, input for button events. Frames that ask nothing (the identity reply
// included, which the device link handles itself) are passed over; the result says whether
// the frame did something.
bool dispatchFrame(const DeviceFrame& frame, ReportController& target);

bool isIdentityReply(const DeviceFrame& frame);

// What a frame does to a long pointer move: a direction button held starts one, its release
// ends it.
enum class LongMoveChange { none, start, end };
LongMoveChange longMoveChangeOf(const DeviceFrame& frame);

} // namespace monctl
