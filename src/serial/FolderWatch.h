#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace monctl {

// Tells, on the main thread, when an entry of one of the watched folders is made, removed,
// renamed or changed. Made and used on the main thread.
class FolderWatch {
public:
    virtual ~FolderWatch() = default;

    // Replaces the folders watched; folders that do not exist are left out.
    virtual void watch(const std::set<std::string>& folders) = 0;
};

namespace platform {
// The kernel's folder watch; none when it cannot be had (the limit of watches reached).
std::unique_ptr<FolderWatch> watchFolders(std::function<void()> changed);
} // namespace platform

} // namespace monctl
