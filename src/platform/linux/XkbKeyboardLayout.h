#pragma once

#include "shortcut/KeyboardLayout.h"

#include <memory>

struct xkb_context;
struct xkb_keymap;

namespace monctl {

// A keyboard layout from xkbcommon: the X server's keymap and its current group, or one
// compiled from the names of the XKB environment (XKB_DEFAULT_RULES, _MODEL, _LAYOUT,
// _VARIANT, _OPTIONS; the layout defaults to "us").
class XkbKeyboardLayout final : public KeyboardLayout {
public:
    static std::unique_ptr<XkbKeyboardLayout> fromServer();
    static std::unique_ptr<XkbKeyboardLayout> fromEnvironment();
    ~XkbKeyboardLayout() override;

    std::string textOfKey(std::uint16_t virtualKey) const override;
    std::string backendName() const override { return m_name; }

private:
    XkbKeyboardLayout(xkb_context* context, xkb_keymap* keymap, unsigned group, std::string name)
        : m_context(context), m_keymap(keymap), m_group(group), m_name(std::move(name)) {}

    xkb_context* m_context;
    xkb_keymap* m_keymap;
    unsigned m_group;
    std::string m_name;
};

} // namespace monctl
