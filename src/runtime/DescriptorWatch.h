#pragma once

#include <functional>

namespace monctl {

// Calls its handler on the main thread whenever a descriptor is ready in the direction
// watched (bytes to read, or room to write) or has hung up, until the watch is destroyed (on
// the main thread, also from inside the handler). The handler reads or writes until the
// descriptor would block: readiness may be reported only once per change. One descriptor may
// have a watch of each direction at once. The watch never closes the descriptor.
class DescriptorWatch {
public:
    using Handler = std::function<void()>;

    virtual ~DescriptorWatch() = default;
};

} // namespace monctl
