#include "runtime/EventPool.h"

namespace monctl {

asio::thread_pool& EventPool::shared() {
    // Never destroyed: a worker may be blocked on the main thread when the process ends,
    // and joining it from a static destructor would hang the exit. Reading happens on the
    // main loop; what is left here is short (timers, request matching) but for closing a
    // port, which may wait for the driver to drain: a second thread keeps the timers going
    // meanwhile.
    static auto* pool = new asio::thread_pool(2);
    return *pool;
}

} // namespace monctl
