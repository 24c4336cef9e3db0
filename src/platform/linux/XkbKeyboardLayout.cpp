#include "platform/linux/XkbKeyboardLayout.h"

#include "platform/linux/EvdevKeyCodes.h"

#include <QtGlobal>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace monctl {

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromServer() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<XkbKeyboardLayout> layout;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context && xkb_x11_setup_xkb_extension(
                       connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                       XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
        xkb_keymap* keymap = device < 0
                                 ? nullptr
                                 : xkb_x11_keymap_new_from_device(context, connection, device,
                                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (keymap) {
            xkb_state* state = xkb_x11_state_new_from_device(keymap, connection, device);
            const unsigned group =
                state ? xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE) : 0;
            if (state)
                xkb_state_unref(state);
            layout.reset(new XkbKeyboardLayout(
                context, keymap, group,
                QT_TRANSLATE_NOOP("monctl::AboutBox", "the X server's keymap (xkbcommon)")));
            context = nullptr;
        }
    }
    if (context)
        xkb_context_unref(context);
    xcb_disconnect(connection);
    return layout;
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromEnvironment() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return nullptr;
    // Unset names are taken from the XKB_DEFAULT_* environment, then the built-in "us".
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    return std::unique_ptr<XkbKeyboardLayout>(new XkbKeyboardLayout(
        context, keymap, 0,
        QT_TRANSLATE_NOOP("monctl::AboutBox", "the XKB environment's layout (xkbcommon)")));
}

XkbKeyboardLayout::~XkbKeyboardLayout() {
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

std::string XkbKeyboardLayout::textOfKey(std::uint16_t virtualKey) const {
    const auto x11Keycode = platform::x11KeycodeFromVirtualKey(virtualKey);
    if (!x11Keycode)
        return {};
    const xkb_keycode_t keycode = *x11Keycode;
    const auto groups = xkb_keymap_num_layouts_for_key(m_keymap, keycode);
    const xkb_layout_index_t group = m_group < groups ? m_group : 0;
    const xkb_keysym_t* symbols = nullptr;
    if (xkb_keymap_key_get_syms_by_level(m_keymap, keycode, group, 0, &symbols) < 1)
        return {};
    char text[64] = {};
    if (xkb_keysym_to_utf8(symbols[0], text, sizeof text) <= 0)
        return {};
    return text;
}

} // namespace monctl
