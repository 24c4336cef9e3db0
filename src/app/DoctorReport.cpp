#include "app/DoctorReport.h"

#include "app/PermissionAdvice.h"
#include "app/Preferences.h"
#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "platform/PlatformLoader.h"
#include "platform/SystemSurvey.h"
#include "runtime/AsioMainQueue.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"

#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace monctl {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string sessionLine() {
    const auto type = environment("XDG_SESSION_TYPE");
    const auto x11 = environment("DISPLAY");
    const auto wayland = environment("WAYLAND_DISPLAY");
    if (!wayland.empty())
        return fmt::format("Wayland (WAYLAND_DISPLAY={}{})", wayland,
                           x11.empty() ? ", no XWayland" : ", XWayland DISPLAY=" + x11);
    if (!x11.empty())
        return fmt::format("X11 (DISPLAY={})", x11);
    return fmt::format("no desktop ({}no DISPLAY or WAYLAND_DISPLAY)",
                       type.empty() ? "" : "XDG_SESSION_TYPE=" + type + ", ");
}

std::string userName(uid_t id) {
    if (const auto* entry = ::getpwuid(id))
        return entry->pw_name;
    return std::to_string(id);
}

std::string groupName(gid_t id) {
    if (const auto* entry = ::getgrgid(id))
        return entry->gr_name;
    return std::to_string(id);
}

// What the ports told while probing, and which answered.
struct ProbeResult {
    std::map<std::string, std::string> errors;
    std::vector<std::string> answered;
};

ProbeResult probe(const std::vector<std::string>& paths, std::chrono::milliseconds timeout,
                  AsioMainQueue& main) {
    ProbeResult result;
    if (paths.empty())
        return result;
    SerialPortManager::useRegistry(loadDeviceRegistry(paths));
    MonitorSet monitors;
    auto& state = monitors.link().state();
    state.openedPortStream = nullptr;
    const auto connection =
        state.portErrors.connect([&](const auto& port, const SerialPortError& error) {
            result.errors.emplace(port->path(), error.description());
        });
    monitors.start();
    main.runUntil([&] { return monitors.everyOpenPortAnswered(); }, timeout);
    for (const auto& monitor : monitors.monitors())
        result.answered.push_back(monitor->path());
    return result;
}

class Doctor {
public:
    Doctor(const CliRequest& request, AsioMainQueue& main) : m_request(request), m_main(main) {}

    void report() {
        fmt::print("monctl doctor\n\nSession: {}\nBackends:\n", sessionLine());
        for (const auto& line : loadDesktopBackends().describe())
            fmt::print("  {}\n", line);
        const auto registry = loadDeviceRegistry({});
        const auto start = registry->start([](const auto&) {}, [](const auto&) {});
        fmt::print("Device registry: {}\nHot-plug: {}\n", describeBackend(*registry),
                   start.hotPlugOffReason.empty() ? "on (the udev daemon runs)"
                                                  : "off (" + start.hotPlugOffReason + ")");
        auto devices = m_request.ports;
        if (devices.empty()) {
            for (const auto& device : start.present)
                devices.push_back(device.calloutPath);
        }
        reportDevices(devices);
        reportGrabbers();
        reportPreferences();
    }

private:
    void reportDevices(const std::vector<std::string>& devices) {
        fmt::print("\nSerial devices ({}):\n",
                   m_request.ports.empty() ? "USB adapters" : "named with --port");
        if (devices.empty())
            fmt::print("  none found: is the monitor's USB cable plugged in?\n");
        std::vector<std::string> probed;
        std::map<std::string, std::string> notProbed;
        for (const auto& path : devices) {
            if (const auto why = whyNotProbed(path); why.empty())
                probed.push_back(path);
            else
                notProbed.emplace(path, why);
        }
        const auto result = probe(probed, m_request.timeout, m_main);
        for (const auto& path : devices) {
            fmt::print("  {}\n", path);
            describeDevice(path);
            if (const auto skipped = notProbed.find(path); skipped != notProbed.end())
                fmt::print("    probe: not sent ({})\n", skipped->second);
            else if (std::find(result.answered.begin(), result.answered.end(), path) !=
                     result.answered.end())
                fmt::print("    probe: answered as a monitor\n");
            else if (const auto error = result.errors.find(path); error != result.errors.end())
                fmt::print("    probe: not sent ({})\n", error->second);
            else
                fmt::print("    probe: no answer within {} ms: no monitor at the far end, or it "
                           "is off\n",
                           m_request.timeout.count());
        }
    }

    static std::string whyNotProbed(const std::string& path) {
        if (::access(path.c_str(), F_OK) != 0)
            return std::strerror(errno);
        if (::access(path.c_str(), R_OK | W_OK) != 0)
            return "this user cannot open it";
        return {};
    }

    static void describeDevice(const std::string& path) {
        struct stat node {};
        if (::stat(path.c_str(), &node) != 0) {
            fmt::print("    missing: {}\n", std::strerror(errno));
            return;
        }
        if (const auto adapter = serialAdapterOf(path))
            fmt::print("    adapter: {}, {}, serial {}, driver {}\n", adapter->vendor,
                       adapter->model, adapter->serial.empty() ? "none" : adapter->serial,
                       adapter->driver);
        else
            fmt::print("    adapter: none (no USB device behind it)\n");
        fmt::print("    node: owner {}, group {}, mode {:04o}\n", userName(node.st_uid),
                   groupName(node.st_gid), node.st_mode & 07777);
        if (::access(path.c_str(), R_OK | W_OK) == 0) {
            fmt::print("    access: this user can open it\n");
        } else {
            const std::string reason = std::strerror(errno);
            const auto advice = permissionAdvice(path);
            fmt::print("    access: this user cannot open it ({}){}\n", reason,
                       advice.empty() ? "" : "\n    fix: " + advice);
        }
        const auto holder = platform::holderOf(path);
        fmt::print("    held by: {}\n",
                   holder.empty() ? "no other process this user can see" : holder);
    }

    static void reportGrabbers() {
        fmt::print("\nPrograms that take serial devices:\n");
        if (isProcessRunning("ModemManager"))
            fmt::print("  ModemManager: running; it opens new serial devices for a few seconds to "
                       "look for modems. If it keeps the monitor's port, stop it with \"sudo "
                       "systemctl disable --now ModemManager\" (or give the adapter "
                       "ENV{{ID_MM_DEVICE_IGNORE}}=\"1\" in a udev rule)\n");
        else
            fmt::print("  ModemManager: not running\n");
        if (isProgramInstalled("brltty"))
            fmt::print("  brltty: installed; it claims some USB-serial adapters (CH340, CP210x) "
                       "as braille displays, and their ports vanish. Without a braille display, "
                       "remove it with \"sudo apt remove brltty\"\n");
        else
            fmt::print("  brltty: not installed\n");
    }

    static void reportPreferences() {
        const auto path = Preferences::defaultPath();
        fmt::print("\nPreferences: {}\n", path.toStdString());
        if (!QFileInfo::exists(path)) {
            fmt::print("  missing: the defaults apply until Settings are confirmed\n");
            return;
        }
        const QSettings file(path, QSettings::IniFormat);
        switch (file.status()) {
        case QSettings::NoError:
            fmt::print("  parses\n");
            break;
        case QSettings::AccessError:
            fmt::print("  cannot be read: the defaults apply\n");
            break;
        case QSettings::FormatError:
            fmt::print("  does not parse as an INI file: the defaults apply\n");
            break;
        }
    }

    const CliRequest& m_request;
    AsioMainQueue& m_main;
};

} // namespace

int runDoctor(const CliRequest& request, AsioMainQueue& main) {
    Doctor(request, main).report();
    std::fflush(stdout);
    return 0;
}

} // namespace monctl
