#pragma once

#include <string>

namespace monctl {

// The group serial adapters belong to on Debian.
inline constexpr char serialAdapterGroup[] = "dialout";

// What a user who may not open a device can do about it: join the group that may open it and
// log in again, or, where no group may (the owner and root alone), have a udev rule give the
// adapter to the serial adapters' group first. Never to join root's group: that would open
// far more than the device. "" when the node cannot be read.
std::string permissionAdvice(const std::string& devicePath);

} // namespace monctl
