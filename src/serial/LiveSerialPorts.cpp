#include "serial/LiveSerialPorts.h"

#include "serial/SerialPort.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace monctl {
namespace {

struct Entry {
    const SerialPort* port;
    std::weak_ptr<SerialPort> reference;
};

struct Registry {
    std::mutex mutex;
    std::vector<Entry> entries;
};

Registry& registry() {
    static auto* instance = new Registry; // outlives every port, also at exit
    return *instance;
}

// Called with the registry locked. A port's destructor first waits for the lock to take its
// entry out, so the entries' objects are intact here. Only a port that is returned is
// locked: dropping a strong reference under the lock could run a destructor that needs it.
std::shared_ptr<SerialPort> firstWithPath(const std::vector<Entry>& entries,
                                          const std::string& path) {
    for (const auto& entry : entries) {
        if (entry.port->path() != path)
            continue;
        if (auto port = entry.reference.lock())
            return port;
    }
    return nullptr;
}

} // namespace

std::shared_ptr<SerialPort>
LiveSerialPorts::findOrCreate(const std::string& path, const Reuse& reuse, const Factory& factory) {
    auto& state = registry();
    std::shared_ptr<SerialPort> existing; // released after the lock, see firstWithPath
    std::lock_guard lock(state.mutex);
    existing = firstWithPath(state.entries, path);
    if (existing && reuse(*existing))
        return existing;
    auto port = factory();
    state.entries.push_back({port.get(), port});
    return port;
}

std::shared_ptr<SerialPort> LiveSerialPorts::existingPortWithPath(const std::string& path) {
    auto& state = registry();
    std::lock_guard lock(state.mutex);
    return firstWithPath(state.entries, path);
}

void LiveSerialPorts::removeSerialPort(const SerialPort* port) {
    auto& state = registry();
    std::lock_guard lock(state.mutex);
    auto found = std::find_if(state.entries.begin(), state.entries.end(),
                              [port](const Entry& entry) { return entry.port == port; });
    if (found != state.entries.end())
        state.entries.erase(found);
}

} // namespace monctl
