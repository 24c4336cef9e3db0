// Kept apart from <termios.h>: the kernel's termios2 and glibc's termios clash.
#include "serial/PlatformTerminal.h"

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <thread>

namespace monctl::platform {

std::error_code setArbitrarySpeed(int descriptor, unsigned baudRate) {
    struct termios2 settings {};
    if (::ioctl(descriptor, TCGETS2, &settings) != 0)
        return {errno, std::system_category()};
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baudRate;
    settings.c_ospeed = baudRate;
    if (::ioctl(descriptor, TCSETS2, &settings) != 0)
        return {errno, std::system_category()};
    return {};
}

std::optional<unsigned> outputSpeed(int descriptor) {
    struct termios2 settings {};
    if (::ioctl(descriptor, TCGETS2, &settings) != 0)
        return std::nullopt;
    return settings.c_ospeed;
}

void requestLowLatency(int descriptor) {
    struct serial_struct serial {};
    if (::ioctl(descriptor, TIOCGSERIAL, &serial) != 0)
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    (void)::ioctl(descriptor, TIOCSSERIAL, &serial);
}

// Long enough for a transfer already handed to a USB adapter to finish, short enough that a
// close never holds a thread for long. The driver keeps the setting after the close.
constexpr unsigned short closingWaitHundredths = 5;

void boundClosingWait(int descriptor) {
    struct serial_struct serial {};
    if (::ioctl(descriptor, TIOCGSERIAL, &serial) != 0 ||
        serial.closing_wait == ASYNC_CLOSING_WAIT_NONE ||
        serial.closing_wait <= closingWaitHundredths)
        return;
    serial.closing_wait = closingWaitHundredths;
    (void)::ioctl(descriptor, TIOCSSERIAL, &serial);
}

// Sleeps about as long as the driver needs to send what it still holds, so that a short tail
// costs one or two wake-ups rather than a busy wait.
bool waitForOutputSent(int descriptor, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const unsigned bitsPerSecond = outputSpeed(descriptor).value_or(9600);
    for (;;) {
        int unsent = 0;
        if (::ioctl(descriptor, TIOCOUTQ, &unsent) != 0 || unsent <= 0)
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        const auto sendTime = std::chrono::microseconds(
            1 + static_cast<long long>(unsent) * 10 * 1'000'000 / std::max(bitsPerSecond, 1u));
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(sendTime, deadline - now));
    }
}

bool meansDeviceGone(int errorNumber) {
    return errorNumber == EIO || errorNumber == ENXIO || errorNumber == ENODEV;
}

bool meansNoModemLines(int errorNumber) {
    return errorNumber == ENOTTY || errorNumber == EINVAL;
}

} // namespace monctl::platform
