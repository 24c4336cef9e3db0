#include "support/PrivateSessionBus.h"

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace monctl::test {

PrivateSessionBus::PrivateSessionBus()
    : m_daemon(std::make_unique<ChildProcess>(std::vector<std::string>{
          "/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"})) {
    m_address = m_daemon->readLine(std::chrono::seconds(10));
    if (m_address.empty())
        throw std::runtime_error("dbus-daemon gave no address: " + m_daemon->errors());
    if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        m_hadPreviousAddress = true;
        m_previousAddress = previous;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", m_address.c_str(), 1);
}

PrivateSessionBus::~PrivateSessionBus() {
    if (m_hadPreviousAddress)
        ::setenv("DBUS_SESSION_BUS_ADDRESS", m_previousAddress.c_str(), 1);
    else
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    m_daemon->signal(SIGTERM);
    m_daemon->wait();
}

} // namespace monctl::test
