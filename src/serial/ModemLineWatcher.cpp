#include "serial/ModemLineWatcher.h"

#include <condition_variable>
#include <mutex>

namespace monctl {

// Owned by the watcher and its thread together: the thread may outlive a watcher destroyed
// from inside a callback.
struct ModemLineWatcher::Shared {
    std::unique_ptr<ModemLines> lines;
    int bits;
    Changed changed;
    Failed failed;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool ended = false;

    bool shouldStop() {
        std::lock_guard lock(mutex);
        return stopping;
    }

    // Waits for the next change, or for the fallback interval; false when the watch ends.
    bool waitForChange(bool& canWait) {
        if (canWait) {
            const std::error_code error = lines->waitForChange();
            if (!error || error == std::errc::interrupted)
                return true;
            if (!lines->meansNoChangeWait(error)) {
                reportFailure(error);
                return false;
            }
            canWait = false;
        }
        std::unique_lock lock(mutex);
        wake.wait_for(lock, fallbackInterval, [this] { return stopping; });
        return true;
    }

    void reportFailure(std::error_code error) {
        if (!shouldStop())
            failed(error);
    }

    // Reads before each wait, so that a change made while the thread started is seen; one
    // made between a read and the next wait shows with the next change.
    void run() {
        bool canWait = true;
        while (!shouldStop()) {
            int now = 0;
            if (const std::error_code error = lines->read(now)) {
                reportFailure(error);
                break;
            }
            if (now != bits) {
                bits = now;
                changed(now);
            }
            if (shouldStop() || !waitForChange(canWait))
                break;
        }
        std::lock_guard lock(mutex);
        ended = true;
        wake.notify_all();
    }

    void stop() {
        std::unique_lock lock(mutex);
        stopping = true;
        wake.notify_all();
        while (!ended) {
            lines->interrupt(thread);
            wake.wait_for(lock, std::chrono::milliseconds(10), [this] { return ended; });
        }
    }
};

ModemLineWatcher::ModemLineWatcher(std::unique_ptr<ModemLines> lines, int knownBits,
                                   Changed changed, Failed failed)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->lines = std::move(lines);
    m_shared->bits = knownBits;
    m_shared->changed = std::move(changed);
    m_shared->failed = std::move(failed);
    m_shared->thread = std::thread([shared = m_shared] { shared->run(); });
}

ModemLineWatcher::~ModemLineWatcher() {
    if (std::this_thread::get_id() == m_shared->thread.get_id()) {
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->stopping = true;
        }
        m_shared->thread.detach(); // it ends when the callback returns
        return;
    }
    m_shared->stop();
    m_shared->thread.join();
}

} // namespace monctl
