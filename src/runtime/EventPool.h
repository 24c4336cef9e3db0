#pragma once

#include <asio/thread_pool.hpp>

namespace monctl {

// The one process-wide pool of worker threads on which read sources, poll timers and
// serial queues run. It lives until the process ends.
class EventPool {
public:
    static asio::thread_pool& shared();
    static asio::thread_pool::executor_type executor() { return shared().get_executor(); }
};

} // namespace monctl
