// Who holds a device, from the descriptors /proc shows; only processes this user may inspect
// are seen. A descriptor is matched by the device it reaches, not by the path it names: the
// same path names another device in another mount namespace (a container's /dev/pts), and
// another path may name the same device.
#include "serial/PlatformTerminal.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace monctl::platform {
namespace {

namespace fs = std::filesystem;

constexpr unsigned firstPtySlaveMajor = 136;
constexpr unsigned lastPtySlaveMajor = 143;
const dev_t ptyMultiplexer = makedev(5, 2);

bool isPseudoTerminal(dev_t device) {
    return major(device) >= firstPtySlaveMajor && major(device) <= lastPtySlaveMajor;
}

// Pseudo-terminal numbers start again in every devpts instance, so there the instance (the
// node's file system) must match as well.
bool reachesDevice(const struct stat& open, const struct stat& device) {
    return S_ISCHR(open.st_mode) && open.st_rdev == device.st_rdev &&
           (!isPseudoTerminal(device.st_rdev) || open.st_dev == device.st_dev);
}

// The index of the pseudo-terminal a master descriptor serves, as its fdinfo tells it.
std::optional<unsigned> servedIndex(const fs::path& fdinfo) {
    std::ifstream info(fdinfo);
    for (std::string key; info >> key;) {
        unsigned index = 0;
        if (key == "tty-index:" && info >> index)
            return index;
        info.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return std::nullopt;
}

// Whether a process has the device open, and whether it is the pseudo-terminal's far end,
// which keeps its device side open too but plays the device rather than using it.
struct Holding {
    bool device = false;
    bool farEnd = false;
};

Holding holdingOf(const fs::path& process, const struct stat& device) {
    Holding found;
    std::error_code error;
    for (fs::directory_iterator fd(process / "fd", error), end; !error && fd != end;
         fd.increment(error)) {
        struct stat open {};
        if (::stat(fd->path().c_str(), &open) != 0 || !S_ISCHR(open.st_mode))
            continue;
        if (reachesDevice(open, device))
            found.device = true;
        else if (open.st_rdev == ptyMultiplexer && isPseudoTerminal(device.st_rdev) &&
                 servedIndex(process / "fdinfo" / fd->path().filename()) == minor(device.st_rdev))
            found.farEnd = true;
    }
    return found;
}

bool runsThisProgram(const fs::path& process) {
    struct stat own {};
    struct stat other {};
    return ::stat("/proc/self/exe", &own) == 0 && ::stat((process / "exe").c_str(), &other) == 0 &&
           own.st_dev == other.st_dev && own.st_ino == other.st_ino;
}

std::vector<std::string> argumentsOf(const fs::path& process) {
    std::ifstream file(process / "cmdline");
    std::vector<std::string> arguments;
    for (std::string argument; std::getline(file, argument, '\0');)
        arguments.push_back(argument);
    return arguments;
}

DeviceHolder describeHolder(const fs::path& process) {
    DeviceHolder holder;
    holder.pid = std::stoi(process.filename().string());
    std::getline(std::ifstream(process / "comm"), holder.name);
    holder.runsThisProgram = runsThisProgram(process);
    holder.arguments = argumentsOf(process);
    return holder;
}

} // namespace

std::vector<DeviceHolder> holdersOf(const std::string& devicePath) {
    struct stat device {};
    if (::stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return {};
    const auto self = std::to_string(::getpid());
    std::vector<DeviceHolder> holders;
    std::error_code error;
    for (fs::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const auto pid = entry->path().filename().string();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (const auto holding = holdingOf(entry->path(), device);
            holding.device && !holding.farEnd)
            holders.push_back(describeHolder(entry->path()));
    }
    return holders;
}

std::string holderOf(const std::string& devicePath) {
    const auto holders = holdersOf(devicePath);
    if (holders.empty())
        return {};
    return holders.front().name + " (" + std::to_string(holders.front().pid) + ")";
}

} // namespace monctl::platform
