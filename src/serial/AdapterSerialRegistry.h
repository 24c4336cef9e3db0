#pragma once

#include "serial/DeviceRegistry.h"

#include <memory>
#include <string>

namespace monctl {

// The devices of another registry that sit on a USB adapter with the given serial number,
// so that no other device is ever opened. Same threads as the registry it filters.
class AdapterSerialRegistry final : public DeviceRegistry {
public:
    AdapterSerialRegistry(std::unique_ptr<DeviceRegistry> all, std::string serial);

    Start start(BatchHandler published, BatchHandler terminated) override;
    std::string backendName() const override;
    std::string whyNull() const override { return m_all->whyNull(); }

private:
    std::unique_ptr<DeviceRegistry> m_all;
    std::string m_serial;
};

} // namespace monctl
