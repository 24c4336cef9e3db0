#pragma once

namespace monctl {

// A press or release of one of the monitor's buttons, as its frame tells it.
struct ButtonEvent {
    enum class Kind {
        key,      // a key press: x is the virtual key code
        starter,  // the "no starter" message
        pointer,  // a pointer step of x, y points
        click,    // x: 0 left, 1 right
        longMove, // a held direction button: steps of x, y; 0, 0 is its release
    };
    Kind kind;
    int x = 0;
    int y = 0;

    bool operator==(const ButtonEvent&) const = default;
};

} // namespace monctl
