#include "runtime/EventPool.h"

#include <algorithm>
#include <thread>

namespace monctl {

asio::thread_pool& EventPool::shared() {
    // Never destroyed: a worker may be blocked on the main thread when the process ends,
    // and joining it from a static destructor would hang the exit.
    static auto* pool =
        new asio::thread_pool(std::max<std::size_t>(4, std::thread::hardware_concurrency()));
    return *pool;
}

} // namespace monctl
