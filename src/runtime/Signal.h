#pragma once

#include "runtime/MainQueue.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace monctl {

// Ends a subscription when reset or destroyed; safe to drop inside the callback itself.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::function<void()> disconnect) : m_disconnect(std::move(disconnect)) {}
    ~Connection() { reset(); }
    Connection(Connection&& other) noexcept : m_disconnect(std::exchange(other.m_disconnect, {})) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            reset();
            m_disconnect = std::exchange(other.m_disconnect, {});
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void reset() {
        if (auto disconnect = std::exchange(m_disconnect, {}))
            disconnect();
    }

private:
    std::function<void()> m_disconnect;
};

// A list of observers called in the order they connected. An observer that disconnects
// (itself or another) during an emission is not called after that.
// Threads: the main thread only (connect, disconnect and emit; checked in debug builds), so
// an emission takes no lock. Work done elsewhere is posted to the main queue first.
template <class... Args> class Signal {
public:
    using Slot = std::function<void(const Args&...)>;

    [[nodiscard]] Connection connect(Slot slot) {
        assertMainThread();
        auto entry = std::make_shared<Entry>();
        entry->slot = std::move(slot);
        m_state->entries.push_back(entry);
        std::weak_ptr<State> state = m_state;
        return Connection([state, entry] {
            assertMainThread();
            entry->connected = false;
            if (auto alive = state.lock())
                std::erase(alive->entries, entry);
        });
    }

    void notify(const Args&... args) const {
        assertMainThread();
        if (m_state->entries.empty())
            return;
        const auto snapshot = m_state->entries;
        for (const auto& entry : snapshot) {
            if (entry->connected)
                entry->slot(args...);
        }
    }

private:
    struct Entry {
        Slot slot;
        bool connected = true;
    };
    struct State {
        std::vector<std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace monctl
