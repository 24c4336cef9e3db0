#pragma once

#include "support/ChildProcess.h"

#include <memory>
#include <string>

namespace monctl::test {

// A session bus of the test's own (a dbus-daemon child), set as DBUS_SESSION_BUS_ADDRESS for
// this process and the programs it starts. The previous address comes back at destruction.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    const std::string& address() const { return m_address; }

private:
    std::unique_ptr<ChildProcess> m_daemon;
    std::string m_address;
    std::string m_previousAddress;
    bool m_hadPreviousAddress = false;
};

} // namespace monctl::test
