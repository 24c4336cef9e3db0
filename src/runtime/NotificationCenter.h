#pragma once

#include "runtime/Signal.h"

#include <any>
#include <map>
#include <string>

namespace monctl {

struct Notification {
    std::string name;
    const void* object = nullptr; // the sender
    std::map<std::string, std::any> userInfo;
};

// The process-wide notification center: observers of a name are called synchronously, in the
// order they subscribed. Main thread only, as its signals are.
class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    [[nodiscard]] Connection addObserver(const std::string& name, Observer observer);
    void post(const Notification& notification);

private:
    std::map<std::string, Signal<Notification>> m_signals;
};

} // namespace monctl
