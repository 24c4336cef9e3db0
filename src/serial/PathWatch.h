#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace monctl {

// Tells, on the main thread, when a watched path changes: an entry of a watched folder made,
// removed or renamed, or a watched node removed, moved or changed. Made and used on the main
// thread.
class PathWatch {
public:
    virtual ~PathWatch() = default;

    // Replaces the paths watched (folders or nodes); paths that do not exist are left out.
    // False when the kernel refused one that exists (its limit of watches reached, or a
    // node this user may not read).
    virtual bool watch(const std::set<std::string>& paths) = 0;
};

namespace platform {
// The kernel's watch; none when it cannot be had (the limit of watches reached).
std::unique_ptr<PathWatch> watchPaths(std::function<void()> changed);
} // namespace platform

} // namespace monctl
