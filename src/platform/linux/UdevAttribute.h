#pragma once

#include <libudev.h>
#include <string>

namespace monctl {

// A device's sysfs attribute ("serial", "idVendor", ...); "" where it has none.
inline std::string udevAttribute(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value ? value : "";
}

} // namespace monctl
