#include "platform/linux/UdevRegistry.h"
#include "serial/FixedPathRegistry.h"

namespace monctl {

std::unique_ptr<DeviceRegistry> makeDeviceRegistry(const std::vector<std::string>& fixedPaths) {
    if (!fixedPaths.empty())
        return std::make_unique<FixedPathRegistry>(fixedPaths);
    return std::make_unique<UdevRegistry>();
}

} // namespace monctl
