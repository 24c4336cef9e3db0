#pragma once

#include <Qt>
#include <cstdint>

namespace monctl {

// Device-independent modifier flags from Qt's modifiers (Alt is Option, Meta is Command).
std::uint64_t flagsFromQtModifiers(Qt::KeyboardModifiers modifiers);

} // namespace monctl
