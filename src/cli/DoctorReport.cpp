#include "cli/DoctorReport.h"

#include "cli/JsonOutput.h"
#include "cli/PortHolders.h"
#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "platform/PlatformLoader.h"
#include "platform/SessionServers.h"
#include "platform/SystemSurvey.h"
#include "runtime/AsioMainQueue.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"
#include "shared/PermissionAdvice.h"
#include "shared/Preferences.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
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
    state.retriesBusyPorts = false;
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

// A server that takes the connection and then says nothing (a stopped one) would hold the
// report for ever inside the libraries that talk to it: it is asked first, with a deadline.
constexpr std::chrono::milliseconds serverAnswerLimit{1500};

DesktopBackends answeringBackends() {
    const auto session = desktopSession().session;
    if (session == DesktopSession::x11 && xServerHangs(serverAnswerLimit))
        return DesktopBackends::none(
            fmt::format("the X server at DISPLAY={} did not answer within {} ms",
                        environment("DISPLAY"), serverAnswerLimit.count()));
    if (session == DesktopSession::wayland && sessionBusHangs(serverAnswerLimit))
        return DesktopBackends::none(
            fmt::format("the session bus did not answer within {} ms", serverAnswerLimit.count()));
    return loadDesktopBackends();
}

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::string text(const QJsonValue& value) {
    return value.toString().toStdString();
}

// What the report finds, gathered before it is printed: the same words as text or as JSON.
class Doctor {
public:
    Doctor(const CliRequest& request, AsioMainQueue& main) : m_request(request), m_main(main) {}

    QJsonObject findings() {
        QJsonObject found{{"session", qt(sessionLine())}};
        QJsonArray backends;
        for (const auto& line : answeringBackends().describe())
            backends.append(qt(line));
        found.insert("backends", backends);
        const auto registry = loadDeviceRegistry({});
        const auto start = registry->start([](const auto&) {}, [](const auto&) {});
        found.insert("deviceRegistry", qt(describeBackend(*registry)));
        found.insert("hotPlug",
                     qt(start.hotPlugOffReason.empty() ? "on (the udev daemon runs)"
                                                       : "off (" + start.hotPlugOffReason + ")"));
        auto devices = m_request.ports;
        if (devices.empty()) {
            for (const auto& device : start.present)
                devices.push_back(device.calloutPath);
        }
        found.insert("devicesFrom", m_request.ports.empty() ? "USB adapters" : "named with --port");
        found.insert("devices", deviceFindings(devices));
        found.insert("programs", grabbers());
        found.insert("preferences", preferences());
        return found;
    }

private:
    QJsonArray deviceFindings(const std::vector<std::string>& devices) {
        std::vector<std::string> probed;
        std::map<std::string, std::string> notProbed;
        for (const auto& path : devices) {
            if (const auto why = whyNotProbed(path); why.empty())
                probed.push_back(path);
            else
                notProbed.emplace(path, why);
        }
        // Described before the probe, whose own openings would count as holders and leave the
        // ports in exclusive mode until their closing ends.
        std::vector<QJsonObject> described;
        described.reserve(devices.size());
        for (const auto& path : devices)
            described.push_back(describeDevice(path));
        const auto result = probe(probed, m_request.timeout, m_main);
        QJsonArray found;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            described[i].insert("probe", qt(probeOutcome(devices[i], notProbed, result)));
            found.append(described[i]);
        }
        return found;
    }

    std::string probeOutcome(const std::string& path,
                             const std::map<std::string, std::string>& notProbed,
                             const ProbeResult& result) const {
        if (const auto skipped = notProbed.find(path); skipped != notProbed.end())
            return "not sent (" + skipped->second + ")";
        if (std::find(result.answered.begin(), result.answered.end(), path) !=
            result.answered.end())
            return "answered as a monitor";
        if (const auto error = result.errors.find(path); error != result.errors.end())
            return "not sent (" + error->second + ")";
        return fmt::format("no answer within {} ms: no monitor at the far end, or it is off",
                           m_request.timeout.count());
    }

    static std::string whyNotProbed(const std::string& path) {
        if (::access(path.c_str(), F_OK) != 0)
            return std::strerror(errno);
        if (::access(path.c_str(), R_OK | W_OK) != 0)
            return "this user cannot open it";
        return {};
    }

    static QJsonObject describeDevice(const std::string& path) {
        QJsonObject device{{"path", qt(path)}};
        struct stat node {};
        if (::stat(path.c_str(), &node) != 0) {
            device.insert("missing", qt(std::strerror(errno)));
            return device;
        }
        if (const auto adapter = serialAdapterOf(path))
            device.insert("adapter", QJsonObject{{"vendor", qt(adapter->vendor)},
                                                 {"product", qt(adapter->model)},
                                                 {"serial", qt(adapter->serial)},
                                                 {"driver", qt(adapter->driver)}});
        else
            device.insert("adapter", QJsonValue::Null);
        device.insert("node",
                      QJsonObject{{"owner", qt(userName(node.st_uid))},
                                  {"group", qt(groupName(node.st_gid))},
                                  {"mode", qt(fmt::format("{:04o}", node.st_mode & 07777))}});
        if (::access(path.c_str(), R_OK | W_OK) == 0) {
            device.insert("access", "this user can open it");
            device.insert("exclusive", platform::isExclusive(path).value_or(false));
        } else {
            device.insert("access",
                          qt(fmt::format("this user cannot open it ({})", std::strerror(errno))));
            if (const auto advice = permissionAdvice(path); !advice.empty())
                device.insert("fix", qt(advice));
        }
        const auto holders = describeHolders(path);
        device.insert("heldBy",
                      qt(holders.empty() ? "no other process this user can see" : holders));
        return device;
    }

    static QJsonObject grabbers() {
        return {
            {"ModemManager",
             isProcessRunning("ModemManager")
                 ? "running; it opens new serial devices for a few seconds to look for modems. If "
                   "it keeps the monitor's port, stop it with \"sudo systemctl disable --now "
                   "ModemManager\" (or give the adapter ENV{ID_MM_DEVICE_IGNORE}=\"1\" in a udev "
                   "rule)"
                 : "not running"},
            {"brltty", isProgramInstalled("brltty")
                           ? "installed; it claims some USB-serial adapters (CH340, CP210x) as "
                             "braille displays, and their ports vanish. Without a braille "
                             "display, remove it with \"sudo apt remove brltty\""
                           : "not installed"}};
    }

    static QJsonObject preferences() {
        const auto path = Preferences::defaultPath();
        QJsonObject found{{"path", path}};
        if (!QFileInfo::exists(path)) {
            found.insert("state", "missing: the defaults apply until Settings are confirmed");
            return found;
        }
        const QSettings file(path, QSettings::IniFormat);
        switch (file.status()) {
        case QSettings::NoError:
            found.insert("state", "parses");
            break;
        case QSettings::AccessError:
            found.insert("state", "cannot be read: the defaults apply");
            break;
        case QSettings::FormatError:
            found.insert("state", "does not parse as an INI file: the defaults apply");
            break;
        }
        return found;
    }

    const CliRequest& m_request;
    AsioMainQueue& m_main;
};

std::string adapterLine(const QJsonValue& adapter) {
    if (adapter.isNull())
        return "none (no USB device behind it)";
    const auto serial = text(adapter["serial"]);
    return fmt::format("{}, {}, serial {}, driver {}", text(adapter["vendor"]),
                       text(adapter["product"]), serial.empty() ? "none" : serial,
                       text(adapter["driver"]));
}

void printDevice(const QJsonObject& device) {
    fmt::print("  {}\n", text(device["path"]));
    if (device.contains("missing")) {
        fmt::print("    missing: {}\n", text(device["missing"]));
    } else {
        const auto node = device["node"];
        fmt::print("    adapter: {}\n    node: owner {}, group {}, mode {}\n    access: {}\n",
                   adapterLine(device["adapter"]), text(node["owner"]), text(node["group"]),
                   text(node["mode"]), text(device["access"]));
        if (device.contains("fix"))
            fmt::print("    fix: {}\n", text(device["fix"]));
        fmt::print("    held by: {}\n", text(device["heldBy"]));
        if (device["exclusive"].toBool())
            fmt::print(
                "    exclusive mode: on (TIOCEXCL): every open but root's fails with \"Device "
                "or resource busy\", even with no holder listed, until its last holder "
                "closes it\n");
    }
    fmt::print("    probe: {}\n", text(device["probe"]));
}

void printText(const QJsonObject& found) {
    fmt::print("monctl doctor\n\nSession: {}\nBackends:\n", text(found["session"]));
    for (const auto& line : found["backends"].toArray())
        fmt::print("  {}\n", text(line));
    fmt::print("Device registry: {}\nHot-plug: {}\n", text(found["deviceRegistry"]),
               text(found["hotPlug"]));
    fmt::print("\nSerial devices ({}):\n", text(found["devicesFrom"]));
    const auto devices = found["devices"].toArray();
    if (devices.isEmpty())
        fmt::print("  none found: is the monitor's USB cable plugged in?\n");
    for (const auto& device : devices)
        printDevice(device.toObject());
    const auto programs = found["programs"];
    fmt::print("\nPrograms that take serial devices:\n  ModemManager: {}\n  brltty: {}\n",
               text(programs["ModemManager"]), text(programs["brltty"]));
    const auto preferences = found["preferences"];
    fmt::print("\nPreferences: {}\n  {}\n", text(preferences["path"]), text(preferences["state"]));
}

} // namespace

int runDoctor(const CliRequest& request, AsioMainQueue& main) {
    const auto found = Doctor(request, main).findings();
    if (request.json)
        printJson(found);
    else
        printText(found);
    std::fflush(stdout);
    return 0;
}

} // namespace monctl
