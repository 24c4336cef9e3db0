#include "platform/linux/UinputDevice.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <sys/stat.h>
#include <unistd.h>

namespace monctl {
namespace {

constexpr const char* uinputPath = "/dev/uinput";

std::string owningGroup() {
    struct stat status {};
    if (::stat(uinputPath, &status) != 0)
        return {};
    const group* owner = ::getgrgid(status.st_gid);
    return owner ? owner->gr_name : std::to_string(status.st_gid);
}

} // namespace

std::string uinputAdvice(int error) {
    const std::string what =
        std::string(uinputPath) + " cannot be opened (" + std::strerror(error) + ")";
    if (error == ENOENT || error == ENODEV)
        return what + ": load the kernel's uinput module (modprobe uinput)";
    const auto group = owningGroup();
    return what + ": install monctl's udev rule (/usr/lib/udev/rules.d/70-monctl.rules: " +
           "KERNEL==\"uinput\", TAG+=\"uaccess\") and log in again" +
           (group.empty() || group == "root" ? std::string() : ", or join the group " + group);
}

std::unique_ptr<LibevdevUinputDevice>
LibevdevUinputDevice::create(const std::vector<unsigned>& keys, std::string& whyNot) {
    libevdev* description = libevdev_new();
    libevdev_set_name(description, "monctl virtual input");
    libevdev_enable_event_type(description, EV_KEY);
    for (const unsigned key : keys)
        libevdev_enable_event_code(description, EV_KEY, key, nullptr);
    libevdev_enable_event_code(description, EV_KEY, BTN_LEFT, nullptr);
    libevdev_enable_event_code(description, EV_KEY, BTN_RIGHT, nullptr);
    libevdev_enable_event_type(description, EV_REL);
    libevdev_enable_event_code(description, EV_REL, REL_X, nullptr);
    libevdev_enable_event_code(description, EV_REL, REL_Y, nullptr);
    libevdev_uinput* device = nullptr;
    const int made =
        libevdev_uinput_create_from_device(description, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    if (made != 0) {
        libevdev_free(description);
        whyNot = uinputAdvice(-made);
        return nullptr;
    }
    return std::unique_ptr<LibevdevUinputDevice>(new LibevdevUinputDevice(description, device));
}

LibevdevUinputDevice::~LibevdevUinputDevice() {
    libevdev_uinput_destroy(m_device);
    libevdev_free(m_description);
}

// libevdev_uinput_write_event writes one event a call; the batch goes in one write instead.
bool LibevdevUinputDevice::write(const std::vector<input_event>& batch) {
    const auto size = static_cast<ssize_t>(batch.size() * sizeof(input_event));
    ssize_t written = -1;
    do {
        written =
            ::write(libevdev_uinput_get_fd(m_device), batch.data(), static_cast<std::size_t>(size));
    } while (written < 0 && errno == EINTR);
    return written == size;
}

std::string LibevdevUinputDevice::deviceNode() const {
    const char* node = libevdev_uinput_get_devnode(m_device);
    return node ? node : "";
}

} // namespace monctl
