#include "support/PrivateSessionBus.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

namespace monctl::test {
namespace {

namespace fs = std::filesystem;

// Ends the process that owns a name on the bus, if any: not ours to wait for, it is seen to end
// (a few seconds at most).
void endOwnerOf(const std::string& address, const std::string& name) {
    ChildProcess ask({"/usr/bin/dbus-send", "--bus=" + address, "--print-reply=literal",
                      "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name});
    pid_t pid = 0;
    if (std::sscanf(ask.readLine().c_str(), " uint32 %d", &pid) != 1)
        return;
    const int handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0)
        return;
    ::kill(pid, SIGTERM);
    pollfd ended{handle, POLLIN, 0};
    if (::poll(&ended, 1, 5000) != 1)
        ::kill(pid, SIGKILL);
    ::close(handle);
}

} // namespace

PrivateSessionBus::PrivateSessionBus(const std::vector<Service>& services)
    : m_folder((fs::temp_directory_path() / "monctl-bus.XXXXXX").string()) {
    if (::mkdtemp(m_folder.data()) == nullptr)
        throw std::runtime_error("cannot make a folder for the session bus");
    m_runtime = m_folder + "/runtime";
    const std::string serviceFolder = m_folder + "/services";
    fs::create_directory(m_runtime);
    fs::permissions(m_runtime, fs::perms::owner_all);
    fs::create_directory(serviceFolder);
    for (const auto& service : services) {
        m_serviceNames.push_back(service.name);
        std::ofstream(serviceFolder + "/" + service.name + ".service")
            << "[D-BUS Service]\nName=" << service.name << "\nExec=" << service.exec << "\n";
    }
    std::ofstream(m_folder + "/bus.conf")
        << "<busconfig><type>session</type><listen>unix:dir=" << m_runtime
        << "</listen><servicedir>" << serviceFolder
        << "</servicedir><policy context=\"default\"><allow send_destination=\"*\" "
           "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
           "</busconfig>\n";
    m_environment.set("XDG_RUNTIME_DIR", m_runtime);
    // What the daemon and the services it starts print goes to a file: nothing would read a
    // pipe, and a full one would stop them.
    m_daemon = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/bin/sh", "-c",
        "exec /usr/bin/dbus-daemon --config-file=\"$0/bus.conf\" --nofork --nopidfile "
        "--print-address=3 3>&1 >\"$0/bus.log\" 2>&1",
        m_folder});
    m_address = m_daemon->readLine(std::chrono::seconds(10));
    if (m_address.empty()) {
        // Told whole: CI's output is all there is to read afterwards.
        std::ifstream log(m_folder + "/bus.log");
        throw std::runtime_error("dbus-daemon gave no address: " +
                                 std::string(std::istreambuf_iterator<char>(log), {}));
    }
    m_environment.set("DBUS_SESSION_BUS_ADDRESS", m_address);
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const auto& name : m_serviceNames)
        endOwnerOf(m_address, name);
    m_daemon->signal(SIGTERM);
    m_daemon->wait();
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

} // namespace monctl::test
