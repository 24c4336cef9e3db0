#pragma once

#include <string>
#include <system_error>

namespace monctl {

// Why a command to a monitor came to nothing, beside the system's own codes (a write that
// timed out: ETIMEDOUT).
enum class MonitorError {
    wentAway = 1, // the monitor went away before its frame was written
    noAnswer,     // a read-back was not answered in time
    noMonitor,    // no monitor is listed (or none at the path named)
};

const std::error_category& monitorErrorCategory();
std::error_code make_error_code(MonitorError error);

// A failure as the user reads it, naming the device: "/dev/ttyUSB0: the device went away".
std::string failureText(const std::string& path, std::error_code error);

} // namespace monctl

template <> struct std::is_error_code_enum<monctl::MonitorError> : std::true_type {};
