#include "platform/linux/X11KeyGrabs.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace monctl::platform {
namespace {

bool refused = false; // main thread only, while our error handler is in place

int noteRefusal(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess)
        refused = true;
    return 0;
}

unsigned modifierBitOf(Display* display, KeySym key) {
    const KeyCode keycode = XKeysymToKeycode(display, key);
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned bit = 0;
    for (int modifier = 0; map && keycode && modifier < 8 && !bit; ++modifier) {
        for (int slot = 0; slot < map->max_keypermod; ++slot) {
            if (map->modifiermap[modifier * map->max_keypermod + slot] == keycode)
                bit = 1U << modifier;
        }
    }
    if (map)
        XFreeModifiermap(map);
    return bit;
}

} // namespace

std::vector<unsigned> lockVariants(Display* display) {
    std::vector<unsigned> variants{0};
    for (const unsigned lock :
         {static_cast<unsigned>(LockMask), modifierBitOf(display, XK_Num_Lock),
          modifierBitOf(display, XK_Scroll_Lock)}) {
        if (lock == 0)
            continue;
        const auto count = variants.size();
        for (std::size_t i = 0; i < count; ++i)
            variants.push_back(variants[i] | lock);
    }
    return variants;
}

bool grabAllVariants(Display* display, unsigned keycode, unsigned modifiers,
                     const std::vector<unsigned>& variants) {
    const Window root = DefaultRootWindow(display);
    XSync(display, False);
    const auto previous = XSetErrorHandler(noteRefusal);
    std::vector<unsigned> held;
    bool ok = true;
    for (const unsigned variant : variants) {
        refused = false;
        XGrabKey(display, static_cast<int>(keycode), modifiers | variant, root, False,
                 GrabModeAsync, GrabModeAsync);
        XSync(display, False);
        if (refused) {
            ok = false;
            break;
        }
        held.push_back(variant);
    }
    if (!ok)
        ungrabAllVariants(display, keycode, modifiers, held);
    XSetErrorHandler(previous);
    return ok;
}

void ungrabAllVariants(Display* display, unsigned keycode, unsigned modifiers,
                       const std::vector<unsigned>& variants) {
    for (const unsigned variant : variants)
        XUngrabKey(display, static_cast<int>(keycode), modifiers | variant,
                   DefaultRootWindow(display));
    XSync(display, False);
}

} // namespace monctl::platform
