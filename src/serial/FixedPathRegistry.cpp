#include "serial/FixedPathRegistry.h"

#include "runtime/RepeatingTimer.h"
#include "serial/DeviceChangeBatch.h"

#include <algorithm>
#include <mutex>

namespace monctl {

// State shared with the timer, which may fire after the registry is gone.
struct FixedPathRegistry::Watch {
    std::vector<std::string> paths;
    std::mutex mutex;
    std::map<std::string, SerialDevice> present;
    BatchHandler published;
    BatchHandler terminated;

    Batch scanPresent() {
        Batch devices;
        for (const auto& path : paths) {
            if (auto device = SerialDevice::fromPath(path))
                devices.push_back(*device);
        }
        return devices;
    }

    void look() {
        DeviceChangeBatch batch;
        std::lock_guard lock(mutex);
        for (const auto& path : paths) {
            const auto now = SerialDevice::fromPath(path);
            const auto known = present.find(path);
            const bool wasThere = known != present.end();
            if (wasThere && (!now || !now->isSameDevice(known->second))) {
                batch.vanished(known->second);
                present.erase(known);
            }
            if (now && present.find(path) == present.end()) {
                batch.appeared(*now);
                present.emplace(path, *now);
            }
        }
        batch.deliver(published, terminated);
    }
};

FixedPathRegistry::FixedPathRegistry(std::vector<std::string> paths,
                                     std::chrono::milliseconds interval)
    : m_watch(std::make_shared<Watch>()), m_interval(interval) {
    for (auto& path : paths) {
        if (std::find(m_watch->paths.begin(), m_watch->paths.end(), path) == m_watch->paths.end())
            m_watch->paths.push_back(std::move(path));
    }
}

FixedPathRegistry::~FixedPathRegistry() {
    if (m_timer)
        m_timer->cancel();
}

DeviceRegistry::Start FixedPathRegistry::start(BatchHandler published, BatchHandler terminated) {
    Start result;
    {
        std::lock_guard lock(m_watch->mutex);
        m_watch->published = std::move(published);
        m_watch->terminated = std::move(terminated);
        result.present = m_watch->scanPresent();
        for (const auto& device : result.present)
            m_watch->present.emplace(device.calloutPath, device);
    }
    std::weak_ptr<Watch> watch = m_watch;
    m_timer = RepeatingTimer::start(m_interval, m_interval, [watch] {
        if (auto alive = watch.lock())
            alive->look();
    });
    return result;
}

} // namespace monctl
