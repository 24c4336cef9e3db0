#include "runtime/NotificationCenter.h"

namespace monctl {

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter; // posts may come from exit handlers
    return *center;
}

Connection NotificationCenter::addObserver(const std::string& name, Observer observer) {
    std::lock_guard lock(m_mutex);
    return m_signals[name].connect(std::move(observer));
}

void NotificationCenter::post(const Notification& notification) {
    Signal<Notification>* signal = nullptr;
    {
        std::lock_guard lock(m_mutex);
        signal = &m_signals[notification.name]; // map nodes stay where they are
    }
    signal->notify(notification);
}

} // namespace monctl
