#include "serial/FixedPathRegistry.h"

#include "runtime/MainQueue.h"
#include "runtime/RepeatingTimer.h"
#include "serial/DeviceChangeBatch.h"
#include "serial/PathWatch.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

constexpr auto fallbackInterval = std::chrono::milliseconds(500);
constexpr int linkHops = 8;

std::filesystem::path nearestExistingFolder(std::filesystem::path folder) {
    std::error_code error;
    while (!folder.empty() && folder != folder.root_path() &&
           !std::filesystem::is_directory(folder, error))
        folder = folder.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Where a change to the path shows: the folders of the links it goes through (a link made,
// removed or retargeted), then the device node itself, or, while there is none, the nearest
// folder that exists, where it will appear. The node's own folder is left alone: on /dev/pts
// it changes with every terminal opened on the machine.
void addWatchesOf(const std::string& path, std::set<std::string>& watches) {
    std::error_code error;
    auto current = std::filesystem::absolute(path, error);
    for (int hop = 0; hop < linkHops && !error; ++hop) {
        if (!std::filesystem::is_symlink(current, error)) {
            watches.insert(std::filesystem::exists(current, error)
                               ? current.string()
                               : nearestExistingFolder(current.parent_path()).string());
            return;
        }
        watches.insert(current.parent_path().string());
        const auto target = std::filesystem::read_symlink(current, error);
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
}

} // namespace

// State shared with the change callbacks, which may come after the registry is gone.
struct FixedPathRegistry::Watch {
    std::vector<std::string> paths;
    std::mutex mutex;
    std::map<std::string, SerialDevice> present;
    BatchHandler published;
    BatchHandler terminated;
    std::unique_ptr<PathWatch> kernelWatch;

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

    // Links may have been made or retargeted, nodes made or removed: the watches follow.
    // False when the kernel would not watch all of them.
    bool watchPaths() {
        std::set<std::string> wanted;
        for (const auto& path : paths)
            addWatchesOf(path, wanted);
        return kernelWatch->watch(wanted);
    }
};

FixedPathRegistry::FixedPathRegistry(std::vector<std::string> paths)
    : m_watch(std::make_shared<Watch>()) {
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
    assertMainThread();
    Start result;
    {
        std::lock_guard lock(m_watch->mutex);
        m_watch->published = std::move(published);
        m_watch->terminated = std::move(terminated);
        result.present = m_watch->scanPresent();
        for (const auto& device : result.present)
            m_watch->present.emplace(device.calloutPath, device);
    }
    Watch* watch = m_watch.get(); // the kernel's watch lives and ends inside it
    m_watch->kernelWatch = platform::watchPaths([watch] {
        watch->watchPaths();
        watch->look();
    });
    if (m_watch->kernelWatch && m_watch->watchPaths())
        return result;
    spdlog::info("The paths given are looked at every {} ms: the kernel will not watch them",
                 fallbackInterval.count());
    std::weak_ptr<Watch> weak = m_watch;
    m_timer = RepeatingTimer::start(fallbackInterval, fallbackInterval, [weak] {
        if (auto alive = weak.lock())
            alive->look();
    });
    return result;
}

} // namespace monctl
