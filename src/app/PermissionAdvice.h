#pragma once

#include <string>

namespace monctl {

// What a user who may not open a device can do about it: join the group that owns the node
// and log in again. "" when the node cannot be read.
std::string permissionAdvice(const std::string& devicePath);

} // namespace monctl
