#pragma once

#include "runtime/EventPool.h"

#include <asio/strand.hpp>
#include <functional>

namespace monctl {

// A serial task queue on the event pool: its tasks run one at a time, in order, on any
// worker thread. Any thread may post; postAndWait must not be called from a task that
// blocks the queue itself (called from the queue, it runs the task at once).
class SerialQueue {
public:
    using Executor = asio::strand<asio::thread_pool::executor_type>;

    SerialQueue() : m_strand(asio::make_strand(EventPool::executor())) {}

    void post(std::function<void()> task);
    void postAndWait(const std::function<void()>& task);
    bool isCurrent() const { return m_strand.running_in_this_thread(); }
    const Executor& executor() const { return m_strand; }

private:
    Executor m_strand;
};

} // namespace monctl
