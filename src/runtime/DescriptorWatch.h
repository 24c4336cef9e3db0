#pragma once

#include <functional>

namespace monctl {

// Calls its handler on the main thread whenever a descriptor has bytes to read or has hung
// up, until the watch is destroyed (on the main thread, also from inside the handler). The
// handler reads until the descriptor would block: readiness may be reported only once per
// change. The watch never closes the descriptor.
class DescriptorWatch {
public:
    using Handler = std::function<void()>;

    virtual ~DescriptorWatch() = default;
};

} // namespace monctl
