#include "shared/PermissionAdvice.h"

#include "serial/PlatformTerminal.h"

#include <fmt/format.h>

namespace monctl {

std::string permissionAdvice(const std::string& devicePath) {
    const auto group = platform::groupThatMayOpen(devicePath);
    if (!group)
        return {};
    if (!group->empty())
        return fmt::format("{0} belongs to the group {1}; add yourself to it with \"sudo usermod "
                           "-aG {1} $USER\", then log out and in again.",
                           devicePath, *group);
    return fmt::format(
        "{0} may be opened by its owner and root alone: a udev rule in /etc/udev/rules.d can "
        "give the adapter to the serial adapters' group ({1} on Debian), for example "
        "KERNEL==\"ttyUSB[0-9]*\", GROUP=\"{1}\", MODE=\"0660\"; then join that group with "
        "\"sudo usermod -aG {1} $USER\" and log out and in again. \"monctl doctor\" shows who "
        "owns the device and who holds it.",
        devicePath, serialAdapterGroup);
}

} // namespace monctl
