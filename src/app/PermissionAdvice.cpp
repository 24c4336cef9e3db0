#include "app/PermissionAdvice.h"

#include "serial/PlatformTerminal.h"

namespace monctl {

std::string permissionAdvice(const std::string& devicePath) {
    const auto group = platform::owningGroupOf(devicePath);
    if (group.empty())
        return {};
    return devicePath + " belongs to the group " + group +
           "; add yourself to it with \"sudo usermod -aG " + group +
           " $USER\", then log out and in again.";
}

} // namespace monctl
