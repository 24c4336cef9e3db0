#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace monctl {

// The USB adapter a serial device sits on, as the device registry describes it; a field it
// does not tell is empty.
struct UsbAdapter {
    std::string vendor;  // "FTDI"
    std::string product; // "FT232R USB UART"
    std::string serial;  // "A10KZP4M"
    bool operator==(const UsbAdapter&) const = default;
};

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
    // None for a device that is no USB adapter (a pseudo-terminal, a built-in port).
    std::optional<UsbAdapter> adapter;

    // The registry property for a key: "IOCalloutDevice", "IODialinDevice", "IOTTYDevice",
    // "IOTTYBaseName", "IOTTYSuffix", "IOSerialBSDClientType"; none for any other key.
    std::optional<std::string> property(std::string_view key) const;
    bool isSameDevice(const SerialDevice& other) const { return identity == other.identity; }

    // The character device at a path, or none when there is no such device.
    static std::optional<SerialDevice> fromPath(const std::string& path);
};

} // namespace monctl
