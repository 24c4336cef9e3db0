#pragma once

#include "serial/DeviceRegistry.h"

#include <map>
#include <memory>

struct udev;
struct udev_monitor;

namespace monctl {

class ReadSource;

// The USB serial adapters udev knows (ttyUSB, ttyACM and the like); built-in UARTs,
// virtual consoles and pseudo-terminals are left alone. Hot-plug needs the udev daemon;
// without it (as in containers) only the devices present at start are listed.
class UdevRegistry final : public DeviceRegistry {
public:
    UdevRegistry();
    ~UdevRegistry() override;

    Start start(BatchHandler published, BatchHandler terminated) override;
    std::string backendName() const override { return "udev"; }

private:
    struct Monitor;
    std::string startMonitor();

    std::unique_ptr<udev, udev* (*)(udev*)> m_udev;
    std::shared_ptr<Monitor> m_monitor;
    std::shared_ptr<ReadSource> m_source;
};

} // namespace monctl
