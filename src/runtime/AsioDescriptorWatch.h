#pragma once

#include "runtime/DescriptorWatch.h"

#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <memory>

namespace monctl {

// A descriptor watched in one direction by the loop of an asio main queue, on the thread that
// runs it.
class AsioDescriptorWatch final : public DescriptorWatch {
public:
    // The loop takes a descriptor only once, so the watches of both directions share its
    // registration; the last of them to go lets go of the descriptor (without closing it).
    struct Registration {
        Registration(asio::io_context& context, int watched) : descriptor(context, watched) {}
        ~Registration() { descriptor.release(); } // aborts every wait; the descriptor stays open
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

        asio::posix::stream_descriptor descriptor;
    };
    using Direction = asio::posix::stream_descriptor::wait_type;

    AsioDescriptorWatch(std::shared_ptr<Registration> registration, Direction direction,
                        Handler onReady);
    ~AsioDescriptorWatch() override;
    AsioDescriptorWatch(const AsioDescriptorWatch&) = delete;
    AsioDescriptorWatch& operator=(const AsioDescriptorWatch&) = delete;

private:
    struct State;
    std::shared_ptr<Registration> m_registration;
    std::shared_ptr<State> m_state;
};

} // namespace monctl
