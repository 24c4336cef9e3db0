#include "runtime/NotificationCenter.h"

namespace monctl {

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter; // posts may come from exit handlers
    return *center;
}

Connection NotificationCenter::addObserver(const std::string& name, Observer observer) {
    return m_signals[name].connect(std::move(observer));
}

void NotificationCenter::post(const Notification& notification) {
    // Map nodes stay where they are: an observer that subscribes to another name meanwhile
    // leaves this signal in place.
    m_signals[notification.name].notify(notification);
}

} // namespace monctl
