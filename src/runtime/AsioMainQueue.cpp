#include "runtime/AsioMainQueue.h"

#include <asio/post.hpp>

namespace monctl {

AsioMainQueue::AsioMainQueue()
    : m_work(asio::make_work_guard(m_context)), m_thread(std::this_thread::get_id()) {}

AsioMainQueue::~AsioMainQueue() {
    m_work.reset();
    m_context.stop();
}

void AsioMainQueue::post(Task task) {
    asio::post(m_context, std::move(task));
}

bool AsioMainQueue::isCurrentThread() const {
    return std::this_thread::get_id() == m_thread;
}

std::unique_ptr<DescriptorWatch> AsioMainQueue::watchReadable(int descriptor,
                                                              DescriptorWatch::Handler onReadable) {
    return std::make_unique<AsioDescriptorWatch>(
        registration(descriptor), AsioDescriptorWatch::Direction::wait_read, std::move(onReadable));
}

std::unique_ptr<DescriptorWatch> AsioMainQueue::watchWritable(int descriptor,
                                                              DescriptorWatch::Handler onWritable) {
    return std::make_unique<AsioDescriptorWatch>(registration(descriptor),
                                                 AsioDescriptorWatch::Direction::wait_write,
                                                 std::move(onWritable));
}

std::shared_ptr<AsioDescriptorWatch::Registration> AsioMainQueue::registration(int descriptor) {
    auto& known = m_registrations[descriptor];
    auto registered = known.lock();
    if (!registered) {
        registered = std::make_shared<AsioDescriptorWatch::Registration>(m_context, descriptor);
        known = registered;
    }
    return registered;
}

void AsioMainQueue::run() {
    m_context.restart();
    m_context.run();
}

void AsioMainQueue::stop() {
    m_context.stop();
}

bool AsioMainQueue::runUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    m_context.restart();
    while (!condition()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        // Bounded slices so that a condition changed by another thread is seen promptly.
        m_context.run_one_for(std::min<std::chrono::steady_clock::duration>(
            deadline - now, std::chrono::milliseconds(5)));
        if (m_context.stopped())
            m_context.restart();
    }
    return true;
}

void AsioMainQueue::runPending() {
    m_context.restart();
    m_context.poll();
}

} // namespace monctl
