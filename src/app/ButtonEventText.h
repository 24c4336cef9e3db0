#pragma once

#include <string>

namespace monctl {

// A monitor's button event in the words `monctl watch` prints and the session bus carries:
// "key down", "pointer 6 0", "click left", "long-move 0 70", "long-move end", "starter".
std::string keyEventText(int keyCode);
std::string pointerEventText(int dx, int dy);
std::string clickEventText(int button);
std::string longMoveEventText(int dx, int dy);
inline std::string starterEventText() {
    return "starter";
}

} // namespace monctl
