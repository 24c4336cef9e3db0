#include "platform/linux/InputDeviceAnnouncement.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <libudev.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace monctl {
namespace {

using Clock = std::chrono::steady_clock;

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// False when the deadline came first (or the descriptor cannot be waited on).
bool readableBefore(int descriptor, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd readable{descriptor, POLLIN, 0};
        const int ready =
            ::poll(&readable, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

bool waitForPath(const std::string& path, Clock::time_point deadline) {
    const int changes = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (changes < 0)
        return exists(path);
    bool found = false;
    for (;;) {
        // The next step towards the path appears in its nearest folder that exists; watched
        // before the path is looked for, so that nothing comes between the two.
        auto folder = std::filesystem::path(path).parent_path();
        while (!folder.empty() && !exists(folder.string()))
            folder = folder.parent_path();
        ::inotify_add_watch(changes, folder.empty() ? "." : folder.c_str(),
                            IN_CREATE | IN_MOVED_TO);
        found = exists(path);
        if (found || !readableBefore(changes, deadline))
            break;
        std::array<char, 4096> events{};
        while (::read(changes, events.data(), events.size()) > 0) {
        }
    }
    ::close(changes);
    return found;
}

// udev_queue_get_udev_is_active: whether udev's control socket is there, i.e. udev runs.
InputDeviceAnnouncement::InputDeviceAnnouncement() : m_udev(udev_new()) {
    if (!m_udev)
        return;
    udev_queue* queue = udev_queue_new(m_udev);
    const bool running = queue && udev_queue_get_udev_is_active(queue) > 0;
    udev_queue_unref(queue);
    if (!running)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor &&
        (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "input", nullptr) < 0 ||
         udev_monitor_enable_receiving(m_monitor) < 0)) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
    }
}

InputDeviceAnnouncement::~InputDeviceAnnouncement() {
    udev_monitor_unref(m_monitor);
    udev_unref(m_udev);
}

// udev writes a device's database entry (is_initialized) once its rules have run, then
// announces it to its listeners, the compositor among them: each announcement of an input
// device wakes the wait to look again.
bool InputDeviceAnnouncement::wait(const std::string& syspath, const std::string& node,
                                   Clock::time_point deadline) {
    if (!m_monitor)
        return waitForPath(node, deadline);
    const auto settled = [&] {
        udev_device* device = udev_device_new_from_syspath(m_udev, syspath.c_str());
        const bool initialized = device && udev_device_get_is_initialized(device) > 0;
        udev_device_unref(device);
        return initialized && exists(node);
    };
    for (;;) {
        if (settled())
            return true;
        if (!readableBefore(udev_monitor_get_fd(m_monitor), deadline))
            return settled();
        while (udev_device* announced = udev_monitor_receive_device(m_monitor))
            udev_device_unref(announced);
    }
}

} // namespace monctl
