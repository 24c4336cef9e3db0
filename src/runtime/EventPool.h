#pragma once

#include <asio/thread_pool.hpp>

namespace monctl {

// The one process-wide pool of worker threads on which timers, serial queues and the
// closing of ports run. It lives until the process ends.
class EventPool {
public:
    static asio::thread_pool& shared();
    static asio::thread_pool::executor_type executor() { return shared().get_executor(); }
};

} // namespace monctl
