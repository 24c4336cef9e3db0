#pragma once

#include "runtime/ApplicationId.h"

namespace monctl {

// The icon, compiled into the program so that it shows before (or without) installation.
inline constexpr char applicationIconResource[] = ":/icons/org.monctl.Monctl.svg";

} // namespace monctl
