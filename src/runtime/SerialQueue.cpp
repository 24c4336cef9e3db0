#include "runtime/SerialQueue.h"

#include <asio/post.hpp>
#include <future>

namespace monctl {

void SerialQueue::post(std::function<void()> task) {
    asio::post(m_strand, std::move(task));
}

void SerialQueue::postAndWait(const std::function<void()>& task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    asio::post(m_strand, [&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

} // namespace monctl
