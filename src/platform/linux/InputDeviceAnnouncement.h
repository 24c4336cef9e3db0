#pragma once

#include <chrono>
#include <string>

struct udev;
struct udev_monitor;

namespace monctl {

// Waits until a new input device has been announced to the desktop, whose compositor opens
// it only then: events written before are lost. Where udev runs, announced means udev has
// settled the device's event node (the desktop learns of it from udev); elsewhere, that the
// node exists. Made before the device, so that udev's word on it cannot be missed. Any thread,
// one at a time.
class InputDeviceAnnouncement {
public:
    InputDeviceAnnouncement();
    ~InputDeviceAnnouncement();
    InputDeviceAnnouncement(const InputDeviceAnnouncement&) = delete;
    InputDeviceAnnouncement& operator=(const InputDeviceAnnouncement&) = delete;

    // Blocks until the event node (its sysfs directory, e.g. /sys/devices/virtual/input/
    // input7/event5, and /dev/input/event5) has been announced; false when the deadline
    // came first.
    bool wait(const std::string& syspath, const std::string& node,
              std::chrono::steady_clock::time_point deadline);

private:
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr; // none where udev does not run
};

// Blocks until the path exists, watching the nearest folder of it that does; false when the
// deadline came first.
bool waitForPath(const std::string& path, std::chrono::steady_clock::time_point deadline);

} // namespace monctl
