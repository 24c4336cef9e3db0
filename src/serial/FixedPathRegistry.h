#pragma once

#include "serial/DeviceRegistry.h"

#include <chrono>
#include <map>
#include <memory>

namespace monctl {

class RepeatingTimer;

// The devices at paths a user named. A path that vanishes (or whose device is replaced)
// is reported as terminated, one that appears as published; the paths are looked at every
// half second.
class FixedPathRegistry final : public DeviceRegistry {
public:
    explicit FixedPathRegistry(std::vector<std::string> paths,
                               std::chrono::milliseconds interval = std::chrono::milliseconds(500));
    ~FixedPathRegistry() override;

    Start start(BatchHandler published, BatchHandler terminated) override;
    std::string backendName() const override { return "the paths given"; }

private:
    struct Watch;
    std::shared_ptr<Watch> m_watch;
    std::chrono::milliseconds m_interval;
    std::shared_ptr<RepeatingTimer> m_timer;
};

} // namespace monctl
