#include "runtime/MainQueue.h"

#include <cassert>
#include <mutex>

namespace monctl {
namespace {

struct Installed {
    std::mutex mutex;
    std::shared_ptr<MainQueue> queue;
};

// Never destroyed: worker threads may still reach the main queue while statics go away.
Installed& installed() {
    static auto* instance = new Installed;
    return *instance;
}

} // namespace

bool MainQueue::postAndWait(const Task& task) {
    if (isCurrentThread()) {
        task();
        return true;
    }
    auto finished = postTracked(task);
    finished.wait();
    try {
        finished.get();
        return true;
    } catch (const std::future_error&) {
        return false;
    }
}

std::future<void> MainQueue::postTracked(Task task) {
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    // A queue that is torn down destroys the task unrun, which breaks the promise.
    post([task = std::move(task), done] {
        task();
        done->set_value();
    });
    return finished;
}

std::shared_ptr<MainQueue> MainQueue::shared() {
    auto& state = installed();
    std::lock_guard lock(state.mutex);
    assert(state.queue && "MainQueue::shared() used before MainQueue::install()");
    return state.queue;
}

void MainQueue::install(std::shared_ptr<MainQueue> queue) {
    auto& state = installed();
    std::lock_guard lock(state.mutex);
    state.queue = std::move(queue);
}

bool MainQueue::isInstalled() {
    auto& state = installed();
    std::lock_guard lock(state.mutex);
    return state.queue != nullptr;
}

} // namespace monctl
