#pragma once

#include "serial/ModemLines.h"

#include <chrono>
#include <functional>
#include <memory>

namespace monctl {

// Follows the input modem lines of an open terminal on a thread of its own, which sleeps in
// the driver until a line changes; a driver that cannot wait for changes is read every
// half second instead. The watch ends at destruction, and by itself when a read or a wait
// fails (the failure is reported once).
class ModemLineWatcher {
public:
    using Changed = std::function<void(int bits)>;
    using Failed = std::function<void(std::error_code)>;

    static constexpr std::chrono::milliseconds fallbackInterval{500};

    // Reports bits that differ from `knownBits`, from the thread; `changed` and `failed`
    // may destroy the watcher.
    ModemLineWatcher(std::unique_ptr<ModemLines> lines, int knownBits, Changed changed,
                     Failed failed);
    ~ModemLineWatcher();
    ModemLineWatcher(const ModemLineWatcher&) = delete;
    ModemLineWatcher& operator=(const ModemLineWatcher&) = delete;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

} // namespace monctl
