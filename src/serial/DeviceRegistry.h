#pragma once

#include "runtime/Backend.h"
#include "serial/SerialDevice.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace monctl {

// Where the serial devices of the machine come from: the ones present, and later batches of
// devices that appeared and devices that disappeared. Batches arrive on the main queue.
class DeviceRegistry : public Backend {
public:
    using Batch = std::vector<SerialDevice>;
    using BatchHandler = std::function<void(const Batch&)>;

    struct Start {
        Batch present;                // in the registry's order
        std::string hotPlugOffReason; // empty when batches will follow
    };

    ~DeviceRegistry() override = default;

    // Starts following the devices and gives those present now. A device that appears
    // while this runs may also come in the first published batch.
    virtual Start start(BatchHandler published, BatchHandler terminated) = 0;
};

// Lists nothing and follows nothing.
class NullDeviceRegistry final : public NullBackend<DeviceRegistry> {
public:
    using NullBackend::NullBackend;
    Start start(BatchHandler, BatchHandler) override { return {{}, whyNull()}; }
};

} // namespace monctl
