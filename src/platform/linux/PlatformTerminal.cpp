// Kept apart from <termios.h>: the kernel's termios2 and glibc's termios clash.
#include "serial/PlatformTerminal.h"

#include "serial/SerialError.h"

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <linux/serial.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace monctl::platform {

std::error_code setArbitrarySpeed(int descriptor, unsigned baudRate) {
    struct termios2 settings {};
    if (::ioctl(descriptor, TCGETS2, &settings) != 0)
        return systemError(errno);
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baudRate;
    settings.c_ospeed = baudRate;
    if (::ioctl(descriptor, TCSETS2, &settings) != 0)
        return systemError(errno);
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

namespace {

// Its handler does nothing: the signal only ends a wait in the kernel. Installed without
// SA_RESTART, so that the interrupted close returns instead of waiting again.
int closeInterruptSignal() {
    static const int number = [] {
        const int chosen = SIGRTMIN + 4;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(chosen, &action, nullptr);
        return chosen;
    }();
    return number;
}

timespec asTimespec(std::chrono::nanoseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}

} // namespace

// The driver's closing wait is left as it is: a change would outlive the descriptor and
// apply to every later user of the device. A timer signal aimed at this thread ends the
// wait instead; it repeats, in case one arrives before the close has started to wait.
std::error_code closeWithin(int descriptor, std::chrono::milliseconds limit) {
    const int signal = closeInterruptSignal();
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signal;
    event._sigev_un._tid = ::gettid();
    timer_t timer{};
    const bool timed = ::timer_create(CLOCK_MONOTONIC, &event, &timer) == 0;
    sigset_t interrupting{};
    sigset_t before{};
    sigemptyset(&interrupting);
    sigaddset(&interrupting, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &interrupting, &before);
    if (timed) {
        const itimerspec due{asTimespec(std::chrono::milliseconds(20)), asTimespec(limit)};
        ::timer_settime(timer, 0, &due, nullptr);
    }
    const std::error_code error =
        ::close(descriptor) != 0 && errno != EINTR ? systemError(errno) : std::error_code();
    if (timed)
        ::timer_delete(timer);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return error;
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

bool meansDeviceGone(std::error_code error) {
    return error == std::errc::io_error || error == std::errc::no_such_device_or_address ||
           error == std::errc::no_such_device;
}

bool meansNoModemLines(std::error_code error) {
    return error == std::errc::inappropriate_io_control_operation ||
           error == std::errc::invalid_argument;
}

} // namespace monctl::platform
