#pragma once

#include "runtime/Backend.h"

#include <chrono>
#include <linux/input.h>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

struct libevdev;
struct libevdev_uinput;

namespace monctl {

class InputDeviceAnnouncement;

// Where the events of a virtual input device go: the kernel, or a recorder in tests.
class UinputDevice {
public:
    virtual ~UinputDevice() = default;
    // One write: the kernel takes the whole batch at once, so a program killed meanwhile
    // leaves no half of it behind. The error of the write when the device did not take it all.
    virtual std::error_code write(const std::vector<input_event>& batch) = 0;
};

// What a virtual device offers: its name, EV_KEY codes (keys and buttons), EV_REL axes.
struct UinputDeviceKind {
    std::string name;
    std::vector<unsigned> keys;
    std::vector<unsigned> relativeAxes;
};

// The kernel's virtual device, made through /dev/uinput with libevdev. It lives as long as
// this object; the kernel removes it, and lets go of every key it holds, when the descriptor
// closes, also when the program is killed. Writes may come from any thread.
class LibevdevUinputDevice final : public UinputDevice {
public:
    // None when /dev/uinput cannot be opened; the reason then says how to allow it.
    static Opened<LibevdevUinputDevice> create(const UinputDeviceKind& kind);
    ~LibevdevUinputDevice() override;
    LibevdevUinputDevice(const LibevdevUinputDevice&) = delete;
    LibevdevUinputDevice& operator=(const LibevdevUinputDevice&) = delete;

    // The first write waits until the desktop has been told of the device (events written
    // before are lost), at most until a short time after the device was made.
    std::error_code write(const std::vector<input_event>& batch) override;
    // The device's node under /dev/input, "" when the kernel did not say.
    std::string deviceNode() const;

private:
    LibevdevUinputDevice(libevdev* description, libevdev_uinput* device,
                         std::unique_ptr<InputDeviceAnnouncement> announcement);
    void waitUntilAnnounced();

    libevdev* m_description;
    libevdev_uinput* m_device;
    std::unique_ptr<InputDeviceAnnouncement> m_announcement;
    std::chrono::steady_clock::time_point m_made = std::chrono::steady_clock::now();
    std::once_flag m_announced;
};

// Why /dev/uinput cannot be opened with this error, and what the user can do about it.
std::string uinputAdvice(int error);

} // namespace monctl
