#include "serial/PlatformTerminal.h"

#include <grp.h>
#include <sys/stat.h>
#include <vector>

namespace monctl::platform {

std::string owningGroupOf(const std::string& devicePath) {
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0)
        return {};
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::to_string(node.st_gid);
    return found->gr_name;
}

} // namespace monctl::platform
