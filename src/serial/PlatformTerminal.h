#pragma once

#include "serial/ModemLines.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace monctl::platform {

// Terminal calls that need the kernel's own headers or differ between platforms.

// Sets input and output speed to any rate the driver accepts, leaving the other settings.
std::error_code setArbitrarySpeed(int descriptor, unsigned baudRate);
// The output speed in bits per second as the driver holds it.
std::optional<unsigned> outputSpeed(int descriptor);
// Asks the driver to hand short reads over at once (USB adapters hold them back by
// default); drivers that cannot are left as they are.
void requestLowLatency(int descriptor);
// Closes the descriptor. A close the driver holds longer than the limit, waiting for output
// the line does not take (its closing wait, which most drivers let only root change, and
// then for every later user), is cut short; the descriptor is gone either way. The close's
// error, if any. Called on the thread that may wait.
std::error_code closeWithin(int descriptor, std::chrono::milliseconds limit);
// Waits until the driver has sent what it holds, at most for the limit; false when some is
// still unsent then (a line that stopped draining). Pseudo-terminals hand their output over
// at once.
bool waitForOutputSent(int descriptor, std::chrono::milliseconds limit);
// An error code that means the device has gone (unplugged, hung up).
bool meansDeviceGone(std::error_code error);
// An error code from a modem-line call that means the device has no modem lines
// (pseudo-terminals), which is not a failure.
bool meansNoModemLines(std::error_code error);
// A process that has a device open.
struct DeviceHolder {
    int pid = 0;
    std::string name; // the process's command name
    bool runsThisProgram = false;
    std::vector<std::string> arguments;
};
// The other processes this user can see that have the device open, the far end of a
// pseudo-terminal left out (it plays the device).
std::vector<DeviceHolder> holdersOf(const std::string& devicePath);
// The first of holdersOf, as "name (pid)"; empty when there is none.
std::string holderOf(const std::string& devicePath);
// Whether the terminal is in exclusive mode (TIOCEXCL), where every open but root's fails
// with EBUSY, whoever holds it; nullopt when it cannot be told (this user may not open it).
std::optional<bool> isExclusive(const std::string& devicePath);
// The group whose members may read and write a device node, by name (its number when it has
// no name); "" when only its owner or root may, or its group is root's (no advice can be to
// join that); nullopt when the node cannot be read.
std::optional<std::string> groupThatMayOpen(const std::string& devicePath);
// The input modem lines of an open terminal, read and waited for through its driver.
std::unique_ptr<ModemLines> modemLinesOf(int descriptor);

} // namespace monctl::platform
