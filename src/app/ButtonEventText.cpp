#include "app/ButtonEventText.h"

#include "shortcut/KeyCodes.h"

#include <fmt/format.h>

namespace monctl {
namespace {

std::string keyName(int keyCode) {
    switch (keyCode) {
    case VirtualKey::space:
        return "space";
    case VirtualKey::pageUp:
        return "page-up";
    case VirtualKey::pageDown:
        return "page-down";
    case VirtualKey::downArrow:
        return "down";
    case VirtualKey::upArrow:
        return "up";
    default:
        return std::to_string(keyCode);
    }
}

} // namespace

std::string keyEventText(int keyCode) {
    return "key " + keyName(keyCode);
}

std::string pointerEventText(int dx, int dy) {
    return fmt::format("pointer {} {}", dx, dy);
}

std::string clickEventText(int button) {
    return button == 0 ? "click left" : "click right";
}

std::string longMoveEventText(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return "long-move end";
    return fmt::format("long-move {} {}", dx, dy);
}

} // namespace monctl
