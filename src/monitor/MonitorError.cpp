#include "monitor/MonitorError.h"

namespace monctl {
namespace {

class MonitorErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "monctl.monitor"; }
    std::string message(int condition) const override {
        switch (static_cast<MonitorError>(condition)) {
        case MonitorError::wentAway:
            return "the device went away";
        case MonitorError::noAnswer:
            return "the monitor did not answer";
        case MonitorError::noMonitor:
            return "no monitor found";
        }
        return "unknown monitor error";
    }
};

} // namespace

const std::error_category& monitorErrorCategory() {
    static const MonitorErrorCategory category;
    return category;
}

std::error_code make_error_code(MonitorError error) {
    return {static_cast<int>(error), monitorErrorCategory()};
}

std::string failureText(const std::string& path, std::error_code error) {
    if (error == std::errc::timed_out)
        return path + ": the device stopped accepting data";
    return path + ": " + error.message();
}

} // namespace monctl
