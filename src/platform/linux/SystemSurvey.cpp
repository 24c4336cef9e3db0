#include "platform/SystemSurvey.h"

#include "platform/linux/UdevAttribute.h"

#include <filesystem>
#include <fstream>
#include <libudev.h>
#include <memory>
#include <sys/stat.h>

namespace monctl {
namespace {

using UdevPtr = std::unique_ptr<udev, udev* (*)(udev*)>;
using DevicePtr = std::unique_ptr<udev_device, udev_device* (*)(udev_device*)>;

// "Name (id)", or whichever of the two is known.
std::string named(const std::string& name, const std::string& id) {
    if (name.empty())
        return id.empty() ? "unknown" : id;
    return id.empty() ? name : name + " (" + id + ")";
}

// The kernel driver nearest to the device: the adapter's (ftdi_sio, cp210x, cdc_acm).
std::string driverOf(udev_device* device) {
    for (auto* at = device; at; at = udev_device_get_parent(at)) {
        if (const char* driver = udev_device_get_driver(at))
            return driver;
    }
    return "none";
}

} // namespace

std::optional<SerialAdapter> serialAdapterOf(const std::string& devicePath) {
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return std::nullopt;
    UdevPtr context(udev_new(), udev_unref);
    if (!context)
        return std::nullopt;
    DevicePtr device(udev_device_new_from_devnum(context.get(), 'c', node.st_rdev),
                     udev_device_unref);
    if (!device)
        return std::nullopt;
    auto* usb = udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
    if (!usb)
        return std::nullopt;
    return SerialAdapter{named(udevAttribute(usb, "manufacturer"), udevAttribute(usb, "idVendor")),
                         named(udevAttribute(usb, "product"), udevAttribute(usb, "idProduct")),
                         udevAttribute(usb, "serial"), driverOf(device.get())};
}

bool isProcessRunning(const std::string& name) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        std::string comm;
        if (std::getline(std::ifstream(entry->path() / "comm"), comm) && comm == name)
            return true;
    }
    return false;
}

bool isProgramInstalled(const std::string& name) {
    for (const char* folder : {"/usr/bin/", "/usr/sbin/", "/bin/", "/sbin/", "/usr/local/bin/"}) {
        std::error_code error;
        if (std::filesystem::exists(std::string(folder) + name, error))
            return true;
    }
    return false;
}

} // namespace monctl
