#pragma once

#include <string>
#include <system_error>

namespace monctl {

// Failures of our own that have no POSIX code.
enum class SerialError {
    settingNotAvailable = 1, // the platform has no such line setting
};

const std::error_category& serialErrorCategory();
std::error_code make_error_code(SerialError error);

// An errno value, as the serial layer and the terminal calls below it pass it on.
inline std::error_code systemError(int errorNumber) {
    return {errorNumber, std::system_category()};
}

// What a port reports to its delegate: the system's code and text, and the port's path.
struct SerialPortError {
    std::error_code code;
    std::string path;

    std::string description() const { return code.message(); }
    // "Error Domain=NSPOSIXErrorDomain Code=5 "Input/output error" UserInfo={...}" form,
    // so that logs read as they do on every platform.
    std::string text() const;
};

} // namespace monctl

template <> struct std::is_error_code_enum<monctl::SerialError> : std::true_type {};
