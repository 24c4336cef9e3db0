#include "platform/linux/UinputDevice.h"

#include "platform/linux/InputDeviceAnnouncement.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace monctl {
namespace {

constexpr const char* uinputPath = "/dev/uinput";
// Who may make input devices is a choice each user makes by joining (see 70-monctl.rules).
constexpr const char* injectionGroup = "monctl-input";
// How long after its making a device may take to be announced; udev takes milliseconds.
constexpr auto announcementTime = std::chrono::seconds(2);

} // namespace

std::string uinputAdvice(int error) {
    const std::string what =
        std::string(uinputPath) + " cannot be opened (" + std::strerror(error) + ")";
    if (error == ENOENT || error == ENODEV)
        return what + ": load the kernel's uinput module (modprobe uinput)";
    return what + ": monctl's udev rule gives it to the group " + injectionGroup +
           "; join it with \"sudo usermod -aG " + injectionGroup +
           " $USER\" and log in again, if you accept that every program you run may then type " +
           "into any window";
}

Opened<LibevdevUinputDevice> LibevdevUinputDevice::create(const UinputDeviceKind& kind) {
    libevdev* description = libevdev_new();
    libevdev_set_name(description, kind.name.c_str());
    const auto offer = [&](unsigned type, const std::vector<unsigned>& codes) {
        if (!codes.empty())
            libevdev_enable_event_type(description, type);
        for (const unsigned code : codes)
            libevdev_enable_event_code(description, type, code, nullptr);
    };
    offer(EV_KEY, kind.keys);
    offer(EV_REL, kind.relativeAxes);
    // Listening before the device exists: udev's word on it cannot come too early.
    auto announcement = std::make_unique<InputDeviceAnnouncement>();
    libevdev_uinput* device = nullptr;
    const int made =
        libevdev_uinput_create_from_device(description, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    if (made != 0) {
        libevdev_free(description);
        return Opened<LibevdevUinputDevice>::missing(uinputAdvice(-made));
    }
    return std::unique_ptr<LibevdevUinputDevice>(
        new LibevdevUinputDevice(description, device, std::move(announcement)));
}

LibevdevUinputDevice::LibevdevUinputDevice(libevdev* description, libevdev_uinput* device,
                                           std::unique_ptr<InputDeviceAnnouncement> announcement)
    : m_description(description), m_device(device), m_announcement(std::move(announcement)) {}

LibevdevUinputDevice::~LibevdevUinputDevice() {
    libevdev_uinput_destroy(m_device);
    libevdev_free(m_description);
}

// The desktop opens a new device when udev announces it; what the kernel got before that
// reaches nobody. Waiting at the first write rather than at the start costs the start
// nothing: by the time the monitor's first button is pressed, the wait is long over.
void LibevdevUinputDevice::waitUntilAnnounced() {
    const char* inputPath = libevdev_uinput_get_syspath(m_device);
    const auto node = deviceNode();
    if (inputPath && !node.empty() &&
        !m_announcement->wait(std::string(inputPath) + "/" +
                                  std::filesystem::path(node).filename().string(),
                              node, m_made + announcementTime))
        spdlog::warn("The desktop was not told of the virtual device {} within {} s: its first "
                     "events may be lost",
                     libevdev_get_name(m_description), announcementTime.count());
    m_announcement.reset();
}

// libevdev_uinput_write_event writes one event a call; the batch goes in one write instead.
std::error_code LibevdevUinputDevice::write(const std::vector<input_event>& batch) {
    std::call_once(m_announced, [this] { waitUntilAnnounced(); });
    const auto size = static_cast<ssize_t>(batch.size() * sizeof(input_event));
    ssize_t written = -1;
    int error = 0;
    do {
        written =
            ::write(libevdev_uinput_get_fd(m_device), batch.data(), static_cast<std::size_t>(size));
        error = errno;
    } while (written < 0 && error == EINTR);
    if (written < 0)
        return {error, std::system_category()};
    // A short write sets no errno: the kernel refused the events it did not take.
    return written == size ? std::error_code() : std::make_error_code(std::errc::io_error);
}

std::string LibevdevUinputDevice::deviceNode() const {
    const char* node = libevdev_uinput_get_devnode(m_device);
    return node ? node : "";
}

} // namespace monctl
