#pragma once

#include <optional>
#include <string>

namespace monctl {

// The USB adapter behind a serial device, as udev describes it.
struct SerialAdapter {
    std::string vendor; // "FTDI (0403)"
    std::string model;  // "FT232R USB UART (6001)"
    std::string serial; // "" when the adapter has none
    std::string driver; // "ftdi_sio"
};

// None for a device that sits on no USB device (a pseudo-terminal, a built-in UART).
std::optional<SerialAdapter> serialAdapterOf(const std::string& devicePath);
// Whether a process of this name (as the kernel shows it, at most 15 characters) runs.
bool isProcessRunning(const std::string& name);
// Whether a program of this name is installed in the system's program folders.
bool isProgramInstalled(const std::string& name);

} // namespace monctl
