#pragma once

#include <linux/input.h>
#include <memory>
#include <string>
#include <vector>

struct libevdev;
struct libevdev_uinput;

namespace monctl {

// Where the events of a virtual input device go: the kernel, or a recorder in tests.
class UinputDevice {
public:
    virtual ~UinputDevice() = default;
    // One write: the kernel takes the whole batch at once, so a program killed meanwhile
    // leaves no half of it behind. False when the device took nothing.
    virtual bool write(const std::vector<input_event>& batch) = 0;
};

// The kernel's virtual device, made through /dev/uinput with libevdev: the keys given, a
// relative pointer and its left and right buttons. It lives as long as this object; the
// kernel removes it, and lets go of every key it holds, when the descriptor closes, also
// when the program is killed.
class LibevdevUinputDevice final : public UinputDevice {
public:
    // None when /dev/uinput cannot be opened; the reason then says how to allow it.
    static std::unique_ptr<LibevdevUinputDevice> create(const std::vector<unsigned>& keys,
                                                        std::string& whyNot);
    ~LibevdevUinputDevice() override;
    LibevdevUinputDevice(const LibevdevUinputDevice&) = delete;
    LibevdevUinputDevice& operator=(const LibevdevUinputDevice&) = delete;

    bool write(const std::vector<input_event>& batch) override;
    // The device's node under /dev/input, "" when the kernel did not say.
    std::string deviceNode() const;

private:
    LibevdevUinputDevice(libevdev* description, libevdev_uinput* device)
        : m_description(description), m_device(device) {}

    libevdev* m_description;
    libevdev_uinput* m_device;
};

// Why /dev/uinput cannot be opened with this error, and what the user can do about it.
std::string uinputAdvice(int error);

} // namespace monctl
