#pragma once

#include <thread>

namespace monctl {

// The input modem lines of one open terminal, as its driver shows them. Calls return 0 or
// an errno.
class ModemLines {
public:
    virtual ~ModemLines() = default;

    virtual int read(int& bits) = 0; // TIOCM_* bits
    // Sleeps until CTS, DSR or DCD changes; EINTR when interrupt() woke it, and a code that
    // meansNoChangeWait when the driver cannot wait for changes.
    virtual int waitForChange() = 0;
    // Wakes a waitForChange of the given thread; a wake-up that comes just before the wait
    // may be lost, so callers repeat it until the thread answers.
    virtual void interrupt(std::thread& waiter) = 0;
    virtual bool meansNoChangeWait(int errorNumber) const = 0;
};

} // namespace monctl
