// The modem lines of a kernel terminal. A wait in TIOCMIWAIT ends at a change, at a hang-up
// (the driver wakes its waiters when the device goes), or at a signal: the watch's thread is
// woken for its end by a signal whose handler does nothing and does not restart the call.
#include "serial/PlatformTerminal.h"
#include "serial/SerialError.h"

#include <cerrno>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <sys/ioctl.h>

namespace monctl::platform {
namespace {

int wakeSignal() {
    return SIGRTMAX - 3;
}

void installWakeHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(wakeSignal(), &action, nullptr);
    });
}

class TerminalModemLines final : public ModemLines {
public:
    explicit TerminalModemLines(int descriptor) : m_descriptor(descriptor) { installWakeHandler(); }

    std::error_code read(int& bits) override {
        return ::ioctl(m_descriptor, TIOCMGET, &bits) == 0 ? std::error_code() : systemError(errno);
    }

    std::error_code waitForChange() override {
        return ::ioctl(m_descriptor, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD) == 0
                   ? std::error_code()
                   : systemError(errno);
    }

    void interrupt(std::thread& waiter) override {
        ::pthread_kill(waiter.native_handle(), wakeSignal());
    }

    bool meansNoChangeWait(std::error_code error) const override {
        return error == std::errc::inappropriate_io_control_operation ||
               error == std::errc::invalid_argument;
    }

private:
    const int m_descriptor;
};

} // namespace

std::unique_ptr<ModemLines> modemLinesOf(int descriptor) {
    return std::make_unique<TerminalModemLines>(descriptor);
}

} // namespace monctl::platform
