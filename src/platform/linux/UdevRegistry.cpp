#include "platform/linux/UdevRegistry.h"

#include "platform/linux/UdevAttribute.h"
#include "runtime/ReadSource.h"
#include "serial/DeviceChangeBatch.h"

#include <libudev.h>
#include <mutex>
#include <string_view>
#include <unistd.h>

namespace monctl {
namespace {

using DevicePtr = std::unique_ptr<udev_device, udev_device* (*)(udev_device*)>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, udev_enumerate* (*)(udev_enumerate*)>;
using MonitorPtr = std::unique_ptr<udev_monitor, udev_monitor* (*)(udev_monitor*)>;

UsbAdapter adapterOf(udev_device* usb) {
    return {udevAttribute(usb, "manufacturer"), udevAttribute(usb, "product"),
            udevAttribute(usb, "serial")};
}

// Only USB serial adapters: writing a probe to a built-in UART, a modem or a console could
// disturb whatever is attached there. Virtual consoles and pseudo-terminals have no device
// behind them at all.
std::optional<SerialDevice> describe(udev_device* device) {
    const char* devnode = udev_device_get_devnode(device);
    const char* sysname = udev_device_get_sysname(device);
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (!devnode || !sysname || !usb)
        return std::nullopt;
    auto described = SerialDevice::fromPath(devnode);
    if (described) {
        described->ttyDevice = sysname;
        described->adapter = adapterOf(usb);
    }
    return described;
}

} // namespace

// The monitor and what it has reported, shared with the read source on the event pool.
struct UdevRegistry::Monitor {
    MonitorPtr monitor{nullptr, udev_monitor_unref};
    std::mutex mutex;
    std::map<std::string, SerialDevice> known; // by sysfs path
    BatchHandler published;
    BatchHandler terminated;

    void receive();
};

UdevRegistry::UdevRegistry() : m_udev(udev_new(), udev_unref) {}

UdevRegistry::~UdevRegistry() {
    if (m_source)
        m_source->cancel();
}

DeviceRegistry::Start UdevRegistry::start(BatchHandler published, BatchHandler terminated) {
    Start result;
    if (!m_udev) {
        result.hotPlugOffReason = "udev is not available";
        return result;
    }
    m_monitor = std::make_shared<Monitor>();
    m_monitor->published = std::move(published);
    m_monitor->terminated = std::move(terminated);
    // The monitor starts first so that no device slips between the listing and the watch.
    result.hotPlugOffReason = startMonitor();

    EnumeratePtr enumerate(udev_enumerate_new(m_udev.get()), udev_enumerate_unref);
    udev_enumerate_add_match_subsystem(enumerate.get(), "tty");
    udev_enumerate_scan_devices(enumerate.get());
    std::lock_guard lock(m_monitor->mutex);
    for (auto* entry = udev_enumerate_get_list_entry(enumerate.get()); entry;
         entry = udev_list_entry_get_next(entry)) {
        const char* syspath = udev_list_entry_get_name(entry);
        DevicePtr device(udev_device_new_from_syspath(m_udev.get(), syspath), udev_device_unref);
        if (!device)
            continue;
        if (auto described = describe(device.get())) {
            m_monitor->known.emplace(syspath, *described);
            result.present.push_back(*described);
        }
    }
    return result;
}

std::string UdevRegistry::startMonitor() {
    // Without the daemon a monitor can be made but never hears anything.
    if (::access("/run/udev/control", F_OK) != 0)
        return "the udev daemon is not running";
    MonitorPtr monitor(udev_monitor_new_from_netlink(m_udev.get(), "udev"), udev_monitor_unref);
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0)
        return "the udev monitor cannot be opened";
    const int descriptor = udev_monitor_get_fd(monitor.get());
    m_monitor->monitor = std::move(monitor);
    std::weak_ptr<Monitor> weak = m_monitor;
    m_source = ReadSource::start(
        descriptor,
        [weak] {
            if (auto alive = weak.lock())
                alive->receive();
            return true;
        },
        [keep = m_monitor] {});
    return {};
}

void UdevRegistry::Monitor::receive() {
    DeviceChangeBatch batch;
    std::lock_guard lock(mutex);
    while (DevicePtr device{udev_monitor_receive_device(monitor.get()), udev_device_unref}) {
        const std::string_view action =
            udev_device_get_action(device.get()) ? udev_device_get_action(device.get()) : "";
        const std::string syspath = udev_device_get_syspath(device.get());
        if (action == "add") {
            if (auto described = describe(device.get())) {
                known[syspath] = *described;
                batch.appeared(*described);
            }
        } else if (action == "remove") {
            if (auto gone = known.find(syspath); gone != known.end()) {
                batch.vanished(gone->second);
                known.erase(gone);
            }
        }
    }
    batch.deliver(published, terminated);
}

} // namespace monctl
