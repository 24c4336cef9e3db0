#include "serial/DeviceChangeBatch.h"

#include "runtime/MainQueue.h"

#include <algorithm>

namespace monctl {

void DeviceChangeBatch::appeared(SerialDevice device) {
    m_appeared.push_back(std::move(device));
}

void DeviceChangeBatch::vanished(SerialDevice device) {
    const auto unseen = std::find_if(m_appeared.begin(), m_appeared.end(), [&](const auto& other) {
        return other.calloutPath == device.calloutPath && other.isSameDevice(device);
    });
    if (unseen != m_appeared.end())
        m_appeared.erase(unseen);
    else
        m_vanished.push_back(std::move(device));
}

void DeviceChangeBatch::deliver(const DeviceRegistry::BatchHandler& published,
                                const DeviceRegistry::BatchHandler& terminated) const {
    if (m_appeared.empty() && m_vanished.empty())
        return;
    MainQueue::shared()->post(
        [published, terminated, appeared = m_appeared, vanished = m_vanished] {
            if (!vanished.empty())
                terminated(vanished);
            if (!appeared.empty())
                published(appeared);
        });
}

} // namespace monctl
