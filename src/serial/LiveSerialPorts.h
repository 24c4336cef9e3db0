#pragma once

#include <functional>
#include <memory>
#include <string>

namespace monctl {

class SerialPort;

// The registry of live ports: one non-owning entry per SerialPort that exists.
// Thread-safe; constructions and destructions on different threads do not overlap.
class LiveSerialPorts {
public:
    using Factory = std::function<std::shared_ptr<SerialPort>()>;
    using Reuse = std::function<bool(const SerialPort&)>;

    // The first live port with the path when `reuse` accepts it, else a new port from the
    // factory, registered before anyone else can look.
    static std::shared_ptr<SerialPort> findOrCreate(const std::string& path, const Reuse& reuse,
                                                    const Factory& factory);
    static std::shared_ptr<SerialPort> existingPortWithPath(const std::string& path);
    static void removeSerialPort(const SerialPort* port);
};

} // namespace monctl
