#pragma once

#include "runtime/Backend.h"
#include "runtime/Signal.h"
#include "shortcut/Shortcut.h"

#include <optional>
#include <string>
#include <vector>

namespace monctl {

// Shortcuts that the desktop itself binds for the program and reports by name, whatever
// program is in front (Wayland desktops' GlobalShortcuts portal). The desktop, or its user,
// chooses the trigger: the combination asked for is only a wish. Main thread only; every
// report comes on the main loop.
class DesktopShortcuts : public Backend {
public:
    struct Wish {
        std::string id;
        std::string description;
        std::optional<Shortcut> preferred;
    };
    struct Binding {
        std::string id;
        std::string trigger; // as the desktop describes it; "" when it gave none
    };
    enum class State {
        unbound, // nothing asked for yet
        binding, // waiting for the desktop (or its user) to answer
        bound,
        refused, // the desktop said no; refusal() says to what, problem() what it answered
        gone,    // the desktop's service went away; problem() says so
    };
    enum class Refusal {
        none,
        identity, // the desktop would not take the application id, so opened no session
        session,  // the desktop opened no session for the shortcuts
        binding,  // the desktop (or its user) did not bind them
    };

    ~DesktopShortcuts() override = default;

    // Asks for these in place of what was bound before; the answer comes later. The same
    // combinations again ask nothing, whether they are bound, being bound or were refused.
    virtual void bind(std::vector<Wish> wishes) = 0;
    virtual State state() const = 0;
    virtual Refusal refusal() const = 0;
    // What the desktop really bound, as it last said.
    virtual std::vector<Binding> bindings() const = 0;
    virtual std::string problem() const = 0;
    // Whether the desktop has a dialog of its own for the program's shortcuts, and opens it
    // (while they are bound). After a refusal, configure() asks the desktop again.
    virtual bool offersConfiguration() const = 0;
    virtual void configure() = 0;

    // A bound shortcut was pressed: its id.
    Signal<std::string> activated;
    // The state or the bindings changed.
    Signal<> changed;
};

// Where the desktop binds nothing for us: bind() is ignored and the state stays "gone".
class NullDesktopShortcuts final : public NullBackend<DesktopShortcuts> {
public:
    using NullBackend::NullBackend;
    void bind(std::vector<Wish>) override {}
    State state() const override { return State::gone; }
    Refusal refusal() const override { return Refusal::none; }
    std::vector<Binding> bindings() const override { return {}; }
    std::string problem() const override { return whyNull(); }
    bool offersConfiguration() const override { return false; }
    void configure() override {}
};

} // namespace monctl
