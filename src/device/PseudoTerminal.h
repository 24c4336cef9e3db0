#pragma once

#include <string>
#include <system_error>

namespace monctl {

// A pseudo-terminal pair standing in for a serial device: the far end (master) belongs to
// whoever plays the device; the device path (slave) is what a SerialPort opens. The pair
// keeps one descriptor of the device side open itself, set raw as a serial line is, so
// that the far end never sees a hang-up between the openings of a port.
class PseudoTerminal {
public:
    PseudoTerminal(); // when no pair can be had: error() says why, and both ends are -1
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    std::error_code error() const { return m_error; }
    const std::string& devicePath() const { return m_devicePath; }
    int farEnd() const { return m_farEnd; }     // non-blocking; -1 once closed
    int deviceSide() const { return m_device; } // -1 once closed
    // Closes both ends: the device path disappears and its openers see a hang-up.
    void close();

private:
    int m_farEnd = -1;
    int m_device = -1;
    std::string m_devicePath;
    std::error_code m_error;
};

} // namespace monctl
