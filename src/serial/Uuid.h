#pragma once

#include <string>

namespace monctl {

// A random (version 4) UUID in its 36-character text form, from the system's randomness.
std::string makeUuidString();

} // namespace monctl
