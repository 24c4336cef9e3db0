#include "platform/linux/PortalTrigger.h"

#include "platform/linux/EvdevKeyCodes.h"

#include <array>
#include <cctype>
#include <memory>
#include <xkbcommon/xkbcommon.h>

namespace monctl {
namespace {

// Virtual key codes are the keyboard's ANSI positions: a US keymap names them.
xkb_keymap* usKeymap() {
    static const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        xkb_keymap* made =
            context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                    : nullptr;
        if (context)
            xkb_context_unref(context);
        return std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>(made, xkb_keymap_unref);
    }();
    return keymap.get();
}

std::string keyName(std::uint16_t virtualKey) {
    const auto evdev = platform::evdevFromVirtualKey(virtualKey);
    xkb_keymap* keymap = usKeymap();
    if (!evdev || !keymap)
        return {};
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, *evdev + platform::x11KeycodeOffset,
                                                       0, 0, &symbols);
    if (count < 1)
        return {};
    std::array<char, 64> name{};
    if (xkb_keysym_get_name(symbols[0], name.data(), name.size()) <= 0)
        return {};
    std::string text(name.data());
    if (text.size() == 1)
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

} // namespace

std::string portalTriggerOf(const Shortcut& shortcut) {
    if (!shortcut.hasKey())
        return {};
    const auto key = keyName(static_cast<std::uint16_t>(shortcut.keyCode()));
    if (key.empty())
        return {};
    static constexpr std::pair<std::uint32_t, const char*> modifiers[] = {
        {ModifierFlag::control, "CTRL"},
        {ModifierFlag::option, "ALT"},
        {ModifierFlag::shift, "SHIFT"},
        {ModifierFlag::command, "LOGO"}};
    std::string trigger;
    for (const auto& [flag, name] : modifiers) {
        if (shortcut.modifierFlags() & flag)
            trigger += std::string(name) + "+";
    }
    return trigger + key;
}

} // namespace monctl
