#pragma once

#include <cstdint>

namespace monctl {

// The flags a key adds to its own presses, as the keyboards this system models report them:
// keypad keys carry the numeric-pad bit, function and navigation keys the function-key bit,
// and the arrows both. So a shortcut stored without them never matches such a key.
std::uint32_t flagsOfKey(std::uint16_t virtualKey);

} // namespace monctl
