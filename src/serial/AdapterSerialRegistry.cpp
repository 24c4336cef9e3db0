#include "serial/AdapterSerialRegistry.h"

#include <algorithm>
#include <iterator>

namespace monctl {
namespace {

DeviceRegistry::Batch onAdapter(const DeviceRegistry::Batch& devices, const std::string& serial) {
    DeviceRegistry::Batch kept;
    std::copy_if(devices.begin(), devices.end(), std::back_inserter(kept),
                 [&serial](const SerialDevice& device) {
                     return device.adapter && device.adapter->serial == serial;
                 });
    return kept;
}

DeviceRegistry::BatchHandler keepingOnly(DeviceRegistry::BatchHandler handler,
                                         const std::string& serial) {
    return [handler = std::move(handler), serial](const DeviceRegistry::Batch& devices) {
        if (auto kept = onAdapter(devices, serial); !kept.empty())
            handler(kept);
    };
}

} // namespace

AdapterSerialRegistry::AdapterSerialRegistry(std::unique_ptr<DeviceRegistry> all,
                                             std::string serial)
    : m_all(std::move(all)), m_serial(std::move(serial)) {}

DeviceRegistry::Start AdapterSerialRegistry::start(BatchHandler published,
                                                   BatchHandler terminated) {
    auto started = m_all->start(keepingOnly(std::move(published), m_serial),
                                keepingOnly(std::move(terminated), m_serial));
    started.present = onAdapter(started.present, m_serial);
    return started;
}

std::string AdapterSerialRegistry::backendName() const {
    return m_all->backendName() + ", the adapters with serial number " + m_serial;
}

} // namespace monctl
