#pragma once

#include "monitor/ButtonEvent.h"

#include <string>

namespace monctl {

// A monitor's button event in the words `monctl watch` prints and the session bus carries:
// "key down", "pointer 6 0", "click left", "long-move 0 70", "long-move end", "starter".
std::string buttonEventText(const ButtonEvent& event);

} // namespace monctl
