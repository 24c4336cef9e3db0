#pragma once

#include "serial/DeviceChangeBatch.h"
#include "serial/DeviceRegistry.h"

namespace monctl::test {

// A device registry whose devices a test adds and removes. Batches go through the main
// queue, as a real registry's do.
class FakeRegistry final : public DeviceRegistry {
public:
    explicit FakeRegistry(Batch present = {}) : m_present(std::move(present)) {}

    Start start(BatchHandler published, BatchHandler terminated) override;
    std::string backendName() const override { return "fake"; }
    void publish(const Batch& devices);
    void terminate(const Batch& devices);
    void deliver(const DeviceChangeBatch& changes) const;

private:
    Batch m_present;
    BatchHandler m_published;
    BatchHandler m_terminated;
};

} // namespace monctl::test
