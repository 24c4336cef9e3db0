#pragma once

#include <system_error>
#include <thread>

namespace monctl {

// The input modem lines of one open terminal, as its driver shows them. Calls return no
// error or the system's code.
class ModemLines {
public:
    virtual ~ModemLines() = default;

    virtual std::error_code read(int& bits) = 0; // TIOCM_* bits
    // Sleeps until CTS, DSR or DCD changes; EINTR when interrupt() woke it, and a code that
    // meansNoChangeWait when the driver cannot wait for changes.
    virtual std::error_code waitForChange() = 0;
    // Wakes a waitForChange of the given thread; a wake-up that comes just before the wait
    // may be lost, so callers repeat it until the thread answers.
    virtual void interrupt(std::thread& waiter) = 0;
    virtual bool meansNoChangeWait(std::error_code error) const = 0;
};

} // namespace monctl
