#include "shared/ButtonEventText.h"

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

std::string buttonEventText(const ButtonEvent& event) {
    switch (event.kind) {
    case ButtonEvent::Kind::key:
        return "key " + keyName(event.x);
    case ButtonEvent::Kind::starter:
        return "starter";
    case ButtonEvent::Kind::pointer:
        return fmt::format("pointer {} {}", event.x, event.y);
    case ButtonEvent::Kind::click:
        return event.x == 0 ? "click left" : "click right";
    case ButtonEvent::Kind::longMove:
        if (event.x == 0 && event.y == 0)
            return "long-move end";
        return fmt::format("long-move {} {}", event.x, event.y);
    }
    return {};
}

} // namespace monctl
