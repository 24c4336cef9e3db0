#pragma once

#include "runtime/AsioDescriptorWatch.h"
#include "runtime/MainQueue.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_map>

namespace monctl {

// The main queue of the command line and the tests: an asio loop run by the thread that
// made this object. run()/runUntil() must be called from that thread.
class AsioMainQueue final : public MainQueue {
public:
    AsioMainQueue();
    ~AsioMainQueue() override;

    void post(Task task) override;
    bool isCurrentThread() const override;
    std::unique_ptr<DescriptorWatch> watchReadable(int descriptor,
                                                   DescriptorWatch::Handler onReadable) override;
    std::unique_ptr<DescriptorWatch> watchWritable(int descriptor,
                                                   DescriptorWatch::Handler onWritable) override;

    // Runs tasks until stop() is called.
    void run();
    void stop();
    // Runs tasks until the condition holds or the time is up; tells whether it held.
    bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
    // Runs the tasks that are ready now, without waiting for more.
    void runPending();

    asio::io_context& context() { return m_context; }

private:
    std::shared_ptr<AsioDescriptorWatch::Registration> registration(int descriptor);

    asio::io_context m_context;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
    std::thread::id m_thread;
    // The descriptors being watched, on the main thread only.
    std::unordered_map<int, std::weak_ptr<AsioDescriptorWatch::Registration>> m_registrations;
};

} // namespace monctl
