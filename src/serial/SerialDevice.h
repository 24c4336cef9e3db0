#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace monctl {

// One serial device as a device registry describes it. On Linux a tty has a single device
// file, so the callout and dial-in paths are the same.
struct SerialDevice {
    std::string calloutPath;
    std::string dialinPath;
    std::string ttyDevice; // short name, e.g. "ttyUSB0"
    std::string baseName;  // e.g. "ttyUSB"
    std::string suffix;    // e.g. "0"
    std::string serviceType = "IOSerialStream";
    // Tells one appearance of a device from a later one at the same path and number.
    std::string identity;

    // The registry property for a key: "IOCalloutDevice", "IODialinDevice", "IOTTYDevice",
    // "IOTTYBaseName", "IOTTYSuffix", "IOSerialBSDClientType"; none for any other key.
    std::optional<std::string> property(std::string_view key) const;
    bool isSameDevice(const SerialDevice& other) const { return identity == other.identity; }

    // The character device at a path, or none when there is no such device.
    static std::optional<SerialDevice> fromPath(const std::string& path);
};

} // namespace monctl
