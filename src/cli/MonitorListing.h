#pragma once

#include "serial/SerialDevice.h"

#include <optional>
#include <string>
#include <vector>

namespace monctl {

// A monitor as `list` shows it, whether the command line or the window found it.
struct ListedMonitor {
    std::string name;
    std::string path;
    std::optional<UsbAdapter> adapter; // none for a device on no USB adapter
};

// A line a monitor ("ttyUSB0 /dev/ttyUSB0 FTDI FT232R USB UART serial A10KZP4M"), or with
// `json` one array: [{"name", "path", "adapter": {"vendor", "product", "serial"} or null}].
void printMonitorList(const std::vector<ListedMonitor>& monitors, bool json);

// The monitor whose USB adapter has this serial number; none when no monitor's has.
std::optional<ListedMonitor> monitorWithSerial(const std::vector<ListedMonitor>& monitors,
                                               const std::string& serial);

} // namespace monctl
