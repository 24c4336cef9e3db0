// Who holds a device, from the descriptors /proc shows; only processes this user may inspect
// are seen.
#include "serial/PlatformTerminal.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace monctl::platform {
namespace {

bool holds(const std::filesystem::path& process, const std::filesystem::path& device) {
    std::error_code error;
    for (std::filesystem::directory_iterator fd(process / "fd", error), end; !error && fd != end;
         fd.increment(error)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(fd->path(), unreadable) == device)
            return true;
    }
    return false;
}

} // namespace

std::string holderOf(const std::string& devicePath) {
    std::error_code error;
    const auto device = std::filesystem::canonical(devicePath, error);
    if (error)
        return {};
    const auto self = std::to_string(::getpid());
    for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const auto pid = entry->path().filename().string();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (!holds(entry->path(), device))
            continue;
        std::string name;
        std::getline(std::ifstream(entry->path() / "comm"), name);
        return name.append(" (").append(pid).append(")");
    }
    return {};
}

} // namespace monctl::platform
