// Line settings and modem lines of SerialPort.
#include "runtime/MainQueue.h"
#include "runtime/RepeatingTimer.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPort.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>

namespace monctl {

void SerialPort::setBaudRate(unsigned baudRate) {
    // Applied even when equal: a caller may pass the same rate to re-apply the settings.
    m_baudRate = baudRate;
    setPortOptions();
}

void SerialPort::setAllowsNonStandardBaudRates(bool allows) {
    m_allowsNonStandardBaudRates = allows;
}

void SerialPort::setNumberOfStopBits(std::uint64_t count) {
    if (count == m_numberOfStopBits)
        return;
    m_numberOfStopBits = count;
    setPortOptions();
}

void SerialPort::setNumberOfDataBits(std::uint64_t count) {
    if (count == m_numberOfDataBits)
        return;
    m_numberOfDataBits = count;
    setPortOptions();
}

void SerialPort::setParity(std::uint64_t parity) {
    if (parity == m_parity)
        return;
    m_parity = parity > parityEven ? parityNone : parity;
    setPortOptions();
}

void SerialPort::setShouldEchoReceivedData(bool echo) {
    if (echo == m_shouldEchoReceivedData)
        return;
    m_shouldEchoReceivedData = echo;
    setPortOptions();
}

void SerialPort::setUsesRTSCTSFlowControl(bool uses) {
    if (uses == m_usesRTSCTSFlowControl)
        return;
    const bool wasOpen = isOpen();
    close();
    // The close completes on the event pool; the reopen has to wait for it.
    if (wasOpen && !waitUntilClosed(flowControlReopenWait))
        return notifyDelegateOfPosixError(EBUSY);
    m_usesRTSCTSFlowControl = uses;
    setPortOptions();
    if (wasOpen)
        open();
}

void SerialPort::setUsesDTRDSRFlowControl(bool uses) {
    if (uses)
        notifyDelegateOfError(SerialError::settingNotAvailable, false);
}

void SerialPort::setUsesDCDOutputFlowControl(bool uses) {
    if (uses)
        notifyDelegateOfError(SerialError::settingNotAvailable, false);
}

termios SerialPort::buildTerminalSettings(termios settings) const {
    ::cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 2;
    settings.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    if (m_numberOfDataBits == 7 || m_numberOfDataBits == 8) {
        settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
        settings.c_cflag |= m_numberOfDataBits == 7 ? CS7 : CS8;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    if (m_parity == parityOdd)
        settings.c_cflag |= PARENB | PARODD;
    else if (m_parity == parityEven)
        settings.c_cflag |= PARENB;
    if (m_numberOfStopBits > 1)
        settings.c_cflag |= CSTOPB;
    else
        settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    if (m_shouldEchoReceivedData)
        settings.c_lflag |= ECHO;
    else
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (m_usesRTSCTSFlowControl)
        settings.c_cflag |= CRTSCTS;
    else
        settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    settings.c_cflag |= CREAD | CLOCAL | HUPCL;
    settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ISIG);
    return settings;
}

void SerialPort::setPortOptions() {
    std::lock_guard lock(m_descriptorMutex);
    const int descriptor = fileDescriptor();
    if (descriptor < 0)
        return;
    applyTerminalSettings(descriptor);
}

void SerialPort::applyTerminalSettings(int descriptor) {
    termios current{};
    if (::tcgetattr(descriptor, &current) != 0)
        return notifyDelegateOfPosixError(errno);
    termios settings = buildTerminalSettings(current);
    // glibc takes rates as numbers; one it has no constant for is refused here.
    const bool standardRate = ::cfsetspeed(&settings, m_baudRate) == 0;
    if (!standardRate && !m_allowsNonStandardBaudRates)
        return notifyDelegateOfPosixError(EINVAL);
    if (::tcsetattr(descriptor, TCSANOW, &settings) != 0)
        return notifyDelegateOfPosixError(errno);
    if (standardRate)
        return;
    if (const auto error = platform::setArbitrarySpeed(descriptor, m_baudRate))
        notifyDelegateOfPosixError(error.value());
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
    std::lock_guard lock(m_descriptorMutex);
    const int descriptor = fileDescriptor();
    if (descriptor < 0)
        return;
    int bits = 0;
    if (::ioctl(descriptor, TIOCMGET, &bits) != 0 && platform::meansNoModemLines(errno))
        return;
    bits = m_rts ? bits | TIOCM_RTS : bits & ~TIOCM_RTS;
    bits = m_dtr ? bits | TIOCM_DTR : bits & ~TIOCM_DTR;
    if (::ioctl(descriptor, TIOCMSET, &bits) != 0 && !platform::meansNoModemLines(errno))
        notifyDelegateOfPosixError(errno);
}

void SerialPort::pinPoll() {
    const int descriptor = fileDescriptor();
    if (descriptor < 0) {
        std::lock_guard lock(m_sourcesMutex);
        if (m_pinPollTimer)
            std::exchange(m_pinPollTimer, nullptr)->cancel();
        return;
    }
    if (m_hasModemLines)
        return pollModemLines(descriptor);
    // Without modem lines (pseudo-terminals) the hang-up is the only sign of removal.
    pollfd watch{descriptor, 0, 0};
    if (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR)) != 0)
        deviceGone(EIO);
}

void SerialPort::pollModemLines(int descriptor) {
    int bits = 0;
    int error = 0;
    {
        std::lock_guard lock(m_descriptorMutex);
        if (fileDescriptor() != descriptor)
            return;
        if (::ioctl(descriptor, TIOCMGET, &bits) != 0)
            error = errno;
    }
    if (error != 0) {
        if (platform::meansNoModemLines(error))
            m_hasModemLines = false;
        else if (platform::meansDeviceGone(error))
            deviceGone(error);
        else
            notifyDelegateOfPosixError(error);
        return;
    }
    const bool cts = (bits & TIOCM_CTS) != 0;
    const bool dsr = (bits & TIOCM_DSR) != 0;
    const bool dcd = (bits & TIOCM_CD) != 0;
    if (cts == m_cts && dsr == m_dsr && dcd == m_dcd)
        return;
    MainQueue::shared().postAndWait([this, cts, dsr, dcd] {
        if (cts != m_cts)
            setCTS(cts);
        if (dsr != m_dsr)
            setDSR(dsr);
        if (dcd != m_dcd)
            setDCD(dcd);
    });
}

} // namespace monctl
