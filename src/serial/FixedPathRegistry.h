#pragma once

#include "serial/DeviceRegistry.h"

#include <memory>

namespace monctl {

class PathWatch;
class RepeatingTimer;

// The devices at paths a user named. A path that vanishes (or whose device is replaced)
// is reported as terminated, one that appears as published. The kernel tells of changes to
// the paths, their links and their nodes; where it cannot (its limit of watches reached, a
// node this user may not read), the paths are looked at every half second as well. Start it on the
// main thread.
class FixedPathRegistry final : public DeviceRegistry {
public:
    explicit FixedPathRegistry(std::vector<std::string> paths);
    ~FixedPathRegistry() override;

    Start start(BatchHandler published, BatchHandler terminated) override;
    std::string backendName() const override { return "the paths given"; }

private:
    struct Watch;
    std::shared_ptr<Watch> m_watch;
    std::shared_ptr<RepeatingTimer> m_timer;
};

} // namespace monctl
