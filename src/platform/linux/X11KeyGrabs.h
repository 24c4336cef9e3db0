#pragma once

#include <vector>

// Xlib's own name for its connection, declared here to keep Xlib out of the header.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace monctl::platform {

// Passive key grabs on the root window. A grab covers one exact modifier state, so a
// combination is grabbed once for every state of the lock keys.

// The modifier states of Caps Lock, Num Lock and Scroll Lock (their real bits) in every
// combination, the state without any first.
std::vector<unsigned> lockVariants(Display* display);
// Grabs the key with the modifiers in every variant, or in none: when another client holds
// one (BadAccess), the variants already grabbed are let go again and false comes back.
bool grabAllVariants(Display* display, unsigned keycode, unsigned modifiers,
                     const std::vector<unsigned>& variants);
void ungrabAllVariants(Display* display, unsigned keycode, unsigned modifiers,
                       const std::vector<unsigned>& variants);

} // namespace monctl::platform
