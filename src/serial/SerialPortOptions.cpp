// Line settings and modem lines of SerialPort.
#include "runtime/MainQueue.h"
#include "serial/ModemLineWatcher.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPort.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace monctl {

void SerialPort::setBaudRate(unsigned baudRate) {
    // Applied even when equal: a caller may pass the same rate to re-apply the settings.
    m_line.baudRate = baudRate;
    setPortOptions();
}

void SerialPort::setAllowsNonStandardBaudRates(bool allows) {
    m_line.allowsNonStandardBaudRates = allows;
}

void SerialPort::setNumberOfStopBits(std::uint64_t count) {
    if (count == m_line.numberOfStopBits)
        return;
    m_line.numberOfStopBits = count;
    setPortOptions();
}

void SerialPort::setNumberOfDataBits(std::uint64_t count) {
    if (count == m_line.numberOfDataBits)
        return;
    m_line.numberOfDataBits = count;
    setPortOptions();
}

void SerialPort::setParity(std::uint64_t parity) {
    if (parity == m_line.parity)
        return;
    m_line.parity = parity > parityEven ? parityNone : parity;
    setPortOptions();
}

void SerialPort::setShouldEchoReceivedData(bool echo) {
    if (echo == m_line.shouldEchoReceivedData)
        return;
    m_line.shouldEchoReceivedData = echo;
    setPortOptions();
}

void SerialPort::setUsesRTSCTSFlowControl(bool uses) {
    if (uses == m_line.usesRTSCTSFlowControl)
        return;
    const bool wasOpen = isOpen();
    close();
    // The close completes on the event pool; the reopen has to wait for it.
    if (wasOpen && !waitUntilClosed(flowControlReopenWait))
        return notifyDelegateOfError(systemError(EBUSY));
    m_line.usesRTSCTSFlowControl = uses;
    setPortOptions();
    if (wasOpen)
        open();
}

void SerialPort::setUsesDTRDSRFlowControl(bool uses) {
    if (uses)
        notifyDelegateOfError(SerialError::settingNotAvailable);
}

void SerialPort::setUsesDCDOutputFlowControl(bool uses) {
    if (uses)
        notifyDelegateOfError(SerialError::settingNotAvailable);
}

// Errors are reported once the descriptor lock is released: a delegate may well answer with
// a call that takes it.
void SerialPort::setPortOptions() {
    std::error_code error;
    {
        std::lock_guard lock(m_descriptorMutex);
        const int descriptor = fileDescriptor();
        if (descriptor < 0)
            return;
        error = applyTerminalSettings(descriptor);
    }
    if (error)
        notifyDelegateOfError(error);
}

std::error_code SerialPort::applyTerminalSettings(int descriptor) {
    termios current{};
    if (::tcgetattr(descriptor, &current) != 0)
        return systemError(errno);
    termios settings = m_line.terminalSettings(current);
    // glibc takes rates as numbers; one it has no constant for is refused here.
    const bool standardRate = ::cfsetspeed(&settings, m_line.baudRate) == 0;
    if (!standardRate && !m_line.allowsNonStandardBaudRates)
        return systemError(EINVAL);
    if (::tcsetattr(descriptor, TCSANOW, &settings) != 0)
        return systemError(errno);
    if (standardRate)
        return {};
    return platform::setArbitrarySpeed(descriptor, m_line.baudRate);
}

void SerialPort::setRTS(bool on) {
    if (on == m_rts)
        return;
    m_rts = on;
    updateModemLines();
}

void SerialPort::setDTR(bool on) {
    if (on == m_dtr)
        return;
    m_dtr = on;
    updateModemLines();
}

void SerialPort::updateModemLines() {
    std::error_code error;
    {
        std::lock_guard lock(m_descriptorMutex);
        const int descriptor = fileDescriptor();
        if (descriptor < 0)
            return;
        int bits = 0;
        if (::ioctl(descriptor, TIOCMGET, &bits) != 0 &&
            platform::meansNoModemLines(systemError(errno)))
            return;
        bits = m_rts ? bits | TIOCM_RTS : bits & ~TIOCM_RTS;
        bits = m_dtr ? bits | TIOCM_DTR : bits & ~TIOCM_DTR;
        if (::ioctl(descriptor, TIOCMSET, &bits) != 0) {
            const auto failure = systemError(errno);
            if (!platform::meansNoModemLines(failure))
                error = failure;
        }
    }
    if (error)
        notifyDelegateOfError(error);
}

void SerialPort::startModemLineWatch(int descriptor) {
    auto lines = platform::modemLinesOf(descriptor);
    int bits = 0;
    if (const std::error_code error = lines->read(bits)) {
        // A pseudo-terminal has no modem lines; its removal reaches the read path.
        if (!platform::meansNoModemLines(error))
            modemLinesFailed(error);
        return;
    }
    publishModemLines(bits);
    std::weak_ptr<SerialPort> weak = weak_from_this();
    auto watcher = std::make_unique<ModemLineWatcher>(
        std::move(lines), bits,
        [weak](int now) {
            if (auto port = weak.lock())
                port->publishModemLines(now);
        },
        [weak](std::error_code error) {
            if (auto port = weak.lock())
                port->modemLinesFailed(error);
        });
    std::lock_guard lock(m_sourcesMutex);
    m_modemLineWatcher = std::move(watcher);
}

void SerialPort::stopModemLineWatch() {
    std::unique_ptr<ModemLineWatcher> watcher;
    {
        std::lock_guard lock(m_sourcesMutex);
        watcher = std::move(m_modemLineWatcher);
    }
    watcher.reset(); // outside the lock: the end waits for the watching thread
}

void SerialPort::modemLinesFailed(std::error_code error) {
    if (platform::meansDeviceGone(error))
        deviceGone(error);
    else
        notifyDelegateOfError(error);
}

// Handed over without waiting: the watching thread never waits for the main thread.
void SerialPort::publishModemLines(int bits) {
    const bool cts = (bits & TIOCM_CTS) != 0;
    const bool dsr = (bits & TIOCM_DSR) != 0;
    const bool dcd = (bits & TIOCM_CD) != 0;
    MainQueue::shared()->post([self = shared_from_this(), cts, dsr, dcd] {
        if (cts != self->m_cts)
            self->setCTS(cts);
        if (dsr != self->m_dsr)
            self->setDSR(dsr);
        if (dcd != self->m_dcd)
            self->setDCD(dcd);
    });
}

} // namespace monctl
