#pragma once

#include <string>
#include <utility>

namespace monctl {

// What every platform backend tells about itself, so that the choices made at start can be
// shown to the user.
class Backend {
public:
    virtual ~Backend() = default;

    // A short name for people: "XTest", "XInput 2 raw key events", "none". Names and reasons
    // are English, and marked for the About box where it can show them translated.
    virtual std::string backendName() const = 0;
    // Empty for a backend that works; else why this one does nothing.
    virtual std::string whyNull() const { return {}; }
};

// The base of a seam's null backend: it does nothing, is called "none" and keeps the reason
// it was chosen.
template <class SeamType> class NullBackend : public SeamType {
public:
    using Seam = SeamType;

    explicit NullBackend(std::string reason) : m_reason(std::move(reason)) {}

    std::string backendName() const override { return "none"; }
    std::string whyNull() const override { return m_reason; }

private:
    std::string m_reason;
};

} // namespace monctl
