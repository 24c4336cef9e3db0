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

// The process-wide notification center: observers of a name are called synchronously, on
// the posting thread, in the order they subscribed.
class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    [[nodiscard]] Connection addObserver(const std::string& name, Observer observer);
    void post(const Notification& notification);

private:
    std::mutex m_mutex;
    std::map<std::string, Signal<Notification>> m_signals;
};

} // namespace monctl
