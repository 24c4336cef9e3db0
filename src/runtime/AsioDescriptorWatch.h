#pragma once

#include "runtime/DescriptorWatch.h"

#include <asio/io_context.hpp>
#include <memory>

namespace monctl {

// A descriptor watched by the loop of an asio main queue, on the thread that runs it.
class AsioDescriptorWatch final : public DescriptorWatch {
public:
    AsioDescriptorWatch(asio::io_context& context, int descriptor, Handler onReadable);
    ~AsioDescriptorWatch() override;
    AsioDescriptorWatch(const AsioDescriptorWatch&) = delete;
    AsioDescriptorWatch& operator=(const AsioDescriptorWatch&) = delete;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace monctl
