#pragma once

#include <memory>
#include <string>
#include <type_traits>
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

// What opening a backend (or a part of one) gives: the backend, or the reason it cannot be
// had, in words for people as whyNull gives them.
template <class T> class Opened {
public:
    // Implicit, so that an opener returns its backend as it is. An enable_if rather than a
    // requires-clause, which Qt's moc cannot read.
    template <class Made, std::enable_if_t<std::is_convertible_v<Made*, T*>, int> = 0>
    Opened(std::unique_ptr<Made> backend) : m_backend(std::move(backend)) {}

    static Opened missing(std::string whyNot) { return Opened(std::move(whyNot)); }

    explicit operator bool() const { return m_backend != nullptr; }
    T* operator->() const { return m_backend.get(); }
    const std::string& whyNot() const { return m_whyNot; }
    // The backend, leaving this empty.
    std::unique_ptr<T> take() { return std::move(m_backend); }

    // The backend, else the seam's null backend keeping the reason.
    template <class Null> std::shared_ptr<typename Null::Seam> orNull() && {
        if (m_backend)
            return std::move(m_backend);
        return std::make_shared<Null>(std::move(m_whyNot));
    }

private:
    explicit Opened(std::string whyNot) : m_whyNot(std::move(whyNot)) {}

    std::unique_ptr<T> m_backend;
    std::string m_whyNot;
};

} // namespace monctl
