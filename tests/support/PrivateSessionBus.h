#pragma once

#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"

#include <memory>
#include <string>
#include <vector>

namespace monctl::test {

// A session bus of the test's own (a dbus-daemon child) in a folder of its own: its
// configuration lets it start only the services given here, never what the machine has
// installed, and its runtime folder is the test's. DBUS_SESSION_BUS_ADDRESS and
// XDG_RUNTIME_DIR are set for this process and the programs it starts (the services included,
// which also get the rest of the environment as it is when the bus starts). At destruction the
// services the bus started are ended, the variables come back and the folder is removed.
class PrivateSessionBus {
public:
    struct Service {
        std::string name; // the bus name it owns
        std::string exec; // its command line, as a service file writes it
    };

    explicit PrivateSessionBus(const std::vector<Service>& services = {});
    ~PrivateSessionBus();

    const std::string& address() const { return m_address; }
    const std::string& runtimeFolder() const { return m_runtime; }

private:
    std::string m_folder;
    std::string m_runtime;
    ScopedEnvironment m_environment;
    std::unique_ptr<ChildProcess> m_daemon;
    std::string m_address;
    std::vector<std::string> m_serviceNames;
};

} // namespace monctl::test
