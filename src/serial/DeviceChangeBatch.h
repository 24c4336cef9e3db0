#pragma once

#include "serial/DeviceRegistry.h"

namespace monctl {

// The devices that appeared and vanished in one look at a device registry, handed on in a
// single main-queue task with the vanished first: a device replaced at the same path (a USB
// reset, a quick replug) must leave the port list before its successor can join it. A
// device that came and went within the batch is not handed on at all.
class DeviceChangeBatch {
public:
    void appeared(SerialDevice device);
    void vanished(SerialDevice device);

    // Posts the batch to the main queue, when it holds anything.
    void deliver(const DeviceRegistry::BatchHandler& published,
                 const DeviceRegistry::BatchHandler& terminated) const;

private:
    DeviceRegistry::Batch m_appeared;
    DeviceRegistry::Batch m_vanished;
};

} // namespace monctl
