#include "serial/SerialDevice.h"

#include <algorithm>
#include <cctype>
#include <fmt/format.h>
#include <sys/stat.h>
#include <utility>

namespace monctl {

std::optional<std::string> SerialDevice::property(std::string_view key) const {
    // The registry's key of each field.
    static constexpr std::pair<std::string_view, std::string SerialDevice::*> fields[] = {
        {"IOCalloutDevice", &SerialDevice::calloutPath},
        {"IODialinDevice", &SerialDevice::dialinPath},
        {"IOTTYDevice", &SerialDevice::ttyDevice},
        {"IOTTYBaseName", &SerialDevice::baseName},
        {"IOTTYSuffix", &SerialDevice::suffix},
        {"IOSerialBSDClientType", &SerialDevice::serviceType}};
    for (const auto& [name, field] : fields) {
        if (key == name)
            return this->*field;
    }
    return std::nullopt;
}

std::optional<SerialDevice> SerialDevice::fromPath(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode))
        return std::nullopt;
    SerialDevice device;
    device.calloutPath = path;
    device.dialinPath = path;
    // Linux names a tty by its path under /dev ("ttyUSB0", "pts/3").
    constexpr std::string_view devices = "/dev/";
    device.ttyDevice = path.starts_with(devices) ? path.substr(devices.size())
                                                 : path.substr(path.find_last_of('/') + 1);
    const auto digits = std::find_if(device.ttyDevice.rbegin(), device.ttyDevice.rend(),
                                     [](unsigned char c) { return !std::isdigit(c); });
    const auto baseLength = static_cast<std::size_t>(device.ttyDevice.rend() - digits);
    device.baseName = device.ttyDevice.substr(0, baseLength);
    device.suffix = device.ttyDevice.substr(baseLength);
    // A device file is made anew each time its device appears, so its change time tells
    // a device that came back under the same number from the one that was there before.
    device.identity =
        fmt::format("{}:{}.{:09}", status.st_rdev, status.st_ctim.tv_sec, status.st_ctim.tv_nsec);
    return device;
}

} // namespace monctl
