#include "serial/SerialError.h"

#include <fmt/format.h>

namespace monctl {
namespace {

class SerialErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "monctl.serial"; }
    std::string message(int condition) const override {
        switch (static_cast<SerialError>(condition)) {
        case SerialError::settingNotAvailable:
            return "This line setting is not available on this platform";
        }
        return "Unknown serial error";
    }
};

} // namespace

const std::error_category& serialErrorCategory() {
    static const SerialErrorCategory category;
    return category;
}

std::error_code make_error_code(SerialError error) {
    return {static_cast<int>(error), serialErrorCategory()};
}

std::string SerialPortError::text() const {
    const char* domain =
        code.category() == std::system_category() ? "NSPOSIXErrorDomain" : code.category().name();
    return fmt::format("Error Domain={} Code={} \"{}\" UserInfo={{NSLocalizedDescription={}, "
                       "NSFilePath={}}}",
                       domain, code.value(), description(), description(), path);
}

} // namespace monctl
