#include "serial/PlatformTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace monctl::platform {

std::optional<std::string> groupThatMayOpen(const std::string& devicePath) {
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0)
        return std::nullopt;
    constexpr mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if (node.st_gid == 0 || (node.st_mode & groupReadWrite) != groupReadWrite)
        return "";
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::to_string(node.st_gid);
    return found->gr_name;
}

std::optional<bool> isExclusive(const std::string& devicePath) {
    const int descriptor = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return errno == EBUSY ? std::optional(true) : std::nullopt;
    int exclusive = 0;
    const bool told = ::ioctl(descriptor, TIOCGEXCL, &exclusive) == 0;
    ::close(descriptor);
    return told ? std::optional(exclusive != 0) : std::nullopt;
}

} // namespace monctl::platform
