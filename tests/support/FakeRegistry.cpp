#include "support/FakeRegistry.h"

#include "runtime/MainQueue.h"

namespace monctl::test {

DeviceRegistry::Start FakeRegistry::start(BatchHandler published, BatchHandler terminated) {
    m_published = std::move(published);
    m_terminated = std::move(terminated);
    return {m_present, {}};
}

void FakeRegistry::publish(const Batch& devices) {
    MainQueue::shared()->post([handler = m_published, devices] { handler(devices); });
}

void FakeRegistry::terminate(const Batch& devices) {
    MainQueue::shared()->post([handler = m_terminated, devices] { handler(devices); });
}

void FakeRegistry::deliver(const DeviceChangeBatch& changes) const {
    changes.deliver(m_published, m_terminated);
}

} // namespace monctl::test
