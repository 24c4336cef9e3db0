#pragma once

#include "runtime/DescriptorWatch.h"

#include <cassert>
#include <functional>
#include <future>
#include <memory>

namespace monctl {

// The application's main thread and its serial task queue. Every delegate call of the
// serial layer and all program-wide state of the application live here.
// Any thread may post; postAndWait blocks the caller until the task has run (or until the
// queue is gone, in which case the task never runs and false comes back).
class MainQueue {
public:
    using Task = std::function<void()>;

    virtual ~MainQueue() = default;

    virtual void post(Task task) = 0;
    virtual bool isCurrentThread() const = 0;
    // Watch a descriptor on this queue's loop; call on the main thread.
    virtual std::unique_ptr<DescriptorWatch> watchReadable(int descriptor,
                                                           DescriptorWatch::Handler onReadable) = 0;
    virtual std::unique_ptr<DescriptorWatch> watchWritable(int descriptor,
                                                           DescriptorWatch::Handler onWritable) = 0;

    // Runs the task at once when called on the main thread, else queues it and waits.
    bool postAndWait(const Task& task);
    // Queues the task; the future is ready once it has run, or broken if it never will.
    std::future<void> postTracked(Task task);

    // The process-wide main queue. Install it on the thread that will run it, before any
    // port is opened; replace it before that thread stops running it. Keep the reference
    // only while using it.
    static std::shared_ptr<MainQueue> shared();
    static void install(std::shared_ptr<MainQueue> queue);
    static bool isInstalled();
};

// For what is used on the main thread only: checked in debug builds.
inline void assertMainThread() {
    assert(!MainQueue::isInstalled() || MainQueue::shared()->isCurrentThread());
}

} // namespace monctl
