#pragma once

#include "runtime/MainQueue.h"
#include "serial/DeviceChangeBatch.h"

namespace monctl::test {

// A device registry whose devices a test adds and removes. Batches go through the main
// queue, as a real registry's do.
class FakeRegistry final : public DeviceRegistry {
public:
    explicit FakeRegistry(Batch present = {}) : m_present(std::move(present)) {}

    Start start(BatchHandler published, BatchHandler terminated) override {
        m_published = std::move(published);
        m_terminated = std::move(terminated);
        return {m_present, {}};
    }
    std::string backendName() const override { return "fake"; }
    void publish(const Batch& devices) {
        MainQueue::shared()->post([handler = m_published, devices] { handler(devices); });
    }
    void terminate(const Batch& devices) {
        MainQueue::shared()->post([handler = m_terminated, devices] { handler(devices); });
    }
    void deliver(const DeviceChangeBatch& changes) const {
        changes.deliver(m_published, m_terminated);
    }

private:
    Batch m_present;
    BatchHandler m_published;
    BatchHandler m_terminated;
};

} // namespace monctl::test
