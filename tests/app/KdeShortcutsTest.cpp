// monctl's shortcuts with KDE Plasma's own services (xdg-desktop-portal, its KDE backend and
// kglobalaccel) on a session bus of the test's own: monctl, with its Wayland backends and its
// window on the test's X server, is known to the portal by a launcher's systemd scope.
#include "support/ChildProcess.h"
#include "support/ConfirmedShortcuts.h"
#include "support/PrivateSessionBus.h"
#include "support/ScopedEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;

namespace {

namespace fs = std::filesystem;

const char* const portalProgram = "/usr/libexec/xdg-desktop-portal";
const char* const permissionStoreProgram = "/usr/libexec/xdg-permission-store";
const char* const kglobalaccelProgram = "/usr/bin/kglobalaccel5";
// Debian puts it in the multiarch folder.
const char* const kdePortalPrograms[] = {"/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde",
                                         "/usr/libexec/xdg-desktop-portal-kde"};

// Where the kernel's cgroup2 hierarchy is mounted; "" without one.
fs::path cgroup2Root() {
    std::ifstream mounts("/proc/self/mountinfo");
    for (std::string line; std::getline(mounts, line);) {
        const auto separator = line.find(" - ");
        if (separator == std::string::npos || line.compare(separator + 3, 8, "cgroup2 ") != 0)
            continue;
        std::istringstream fields(line.substr(0, separator));
        std::string field;
        for (int index = 0; index < 5 && fields >> field; ++index) {
        }
        return field; // the fifth: the mount point
    }
    return {};
}

// A systemd scope as a launcher makes it for a program it starts
// (user@UID.service/app.slice/app-org.monctl.Monctl-N.scope): the portal reads the program's
// application id from its name. The folders it made go at destruction, when the programs in
// the scope have ended.
class LauncherScope {
public:
    LauncherScope() {
        const auto root = cgroup2Root();
        if (root.empty()) {
            m_whyNot = "no cgroup2 hierarchy is mounted";
            return;
        }
        const auto uid = std::to_string(::getuid());
        const fs::path scope = fs::path("user.slice") / ("user-" + uid + ".slice") /
                               ("user@" + uid + ".service") / "app.slice" /
                               ("app-org.monctl.Monctl-" + std::to_string(::getpid()) + ".scope");
        fs::path folder = root;
        for (const auto& part : scope) {
            folder /= part;
            if (::mkdir(folder.c_str(), 0755) == 0) {
                m_made.push_back(folder);
            } else if (errno != EEXIST) {
                m_whyNot = "cannot make " + folder.string() + ": " + std::strerror(errno);
                return;
            }
        }
        m_processes = folder / "cgroup.procs";
    }
    ~LauncherScope() {
        for (auto made = m_made.rbegin(); made != m_made.rend(); ++made)
            ::rmdir(made->c_str());
    }
    LauncherScope(const LauncherScope&) = delete;
    LauncherScope& operator=(const LauncherScope&) = delete;

    const std::string& whyNot() const { return m_whyNot; }
    std::string processes() const { return m_processes.string(); }

private:
    std::vector<fs::path> m_made;
    fs::path m_processes;
    std::string m_whyNot;
};

// kglobalaccel's keys of each of monctl's actions, as Qt key combinations, by component.
std::map<std::string, std::map<std::string, std::vector<int>>>
kglobalaccelKeys(const QDBusConnection& bus) {
    std::map<std::string, std::map<std::string, std::vector<int>>> keys;
    const auto components = bus.call(QDBusMessage::createMethodCall(
        "org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel", "allComponents"));
    for (const auto& path : qdbus_cast<QList<QDBusObjectPath>>(components.arguments().value(0))) {
        const auto infos = bus.call(
            QDBusMessage::createMethodCall("org.kde.kglobalaccel", path.path(),
                                           "org.kde.kglobalaccel.Component", "allShortcutInfos"));
        const auto argument = infos.arguments().value(0).value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            QString action, actionName, component, componentName, context, contextName;
            QList<int> current, defaults;
            argument.beginStructure();
            argument >> action >> actionName >> component >> componentName >> context >>
                contextName >> current >> defaults;
            argument.endStructure();
            keys[component.toStdString()][action.toStdString()] = {current.begin(), current.end()};
        }
        argument.endArray();
    }
    return keys;
}

// Reads monctl's log until it says what the desktop bound for each of its three shortcuts.
bool reportsThreeBindings(ChildProcess& monctl, std::string& seen) {
    int bindings = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (bindings < 3 && std::chrono::steady_clock::now() < deadline) {
        const auto line = monctl.readLine(std::chrono::seconds(30));
        seen += line + "\n";
        if (line.find("The desktop binds") != std::string::npos)
            ++bindings;
    }
    return bindings == 3;
}

int combined(QKeyCombination keys) {
    return keys.toCombined();
}

} // namespace

TEST(KdeShortcuts, KdesOwnServicesHoldTheThreeShortcutsUnderOneSessionAcrossStarts) {
    const auto kdePortal = std::find_if(std::begin(kdePortalPrograms), std::end(kdePortalPrograms),
                                        [](const char* path) { return fs::exists(path); });
    const bool installed = kdePortal != std::end(kdePortalPrograms) && fs::exists(portalProgram) &&
                           fs::exists(permissionStoreProgram) && fs::exists(kglobalaccelProgram);
    if (!installed)
        GTEST_SKIP() << "KDE's shortcut services are not installed (xdg-desktop-portal, "
                        "xdg-desktop-portal-kde, libkf5globalaccel-bin)";
    LauncherScope scope;
    if (!scope.whyNot().empty())
        GTEST_SKIP() << "no launcher's scope can be made for monctl: " << scope.whyNot();

    QTemporaryDir home;
    ScopedEnvironment environment;
    environment.set("XDG_CURRENT_DESKTOP", "KDE");
    environment.set("XDG_CONFIG_HOME", home.filePath("config").toStdString());
    environment.set("XDG_DATA_HOME", home.filePath("data").toStdString());
    environment.set("XDG_CACHE_HOME", home.filePath("cache").toStdString());
    // KDE's services and monctl's window on the test's X server; monctl's other backends are
    // those of a Wayland session: uinput and the portal.
    environment.set("QT_QPA_PLATFORM", "xcb");
    environment.set("MONCTL_PLATFORM", "wayland");
    ASSERT_TRUE(Preferences(home.filePath("config/monctl/monctl.conf")).save(confirmedShortcuts()));
    PrivateSessionBus bus({{"org.freedesktop.portal.Desktop", portalProgram},
                           {"org.freedesktop.impl.portal.PermissionStore", permissionStoreProgram},
                           {"org.freedesktop.impl.portal.desktop.kde", *kdePortal},
                           {"org.kde.kglobalaccel", kglobalaccelProgram}});
    const auto connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "monctl-kde-test");

    const std::string component = "org.monctl.Monctlmonctl";
    std::map<std::string, std::vector<int>> expected{
        {"fast-refresh", {combined(Qt::CTRL | Qt::Key_D)}},
        {"contrast-up", {combined(Qt::CTRL | Qt::Key_U)}},
        {"contrast-down", {combined(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}}};
    for (int start = 1; start <= 2; ++start) {
        ChildProcess monctl({"/bin/sh", "-c",
                             "echo $$ >\"$0\" || { echo 'cannot enter the scope'; exit 3; }; "
                             "exec \"$1\" --simulate -v 2>&1",
                             scope.processes(), MONCTL_PATH});
        std::string seen;
        const bool bound = reportsThreeBindings(monctl, seen);
        if (seen.starts_with("cannot enter the scope"))
            GTEST_SKIP() << "monctl cannot be placed in " << scope.processes();
        ASSERT_TRUE(bound) << "start " << start << ":\n" << seen;
        // The application id and the session's handle token name KDE's component: one, the
        // same at both starts, where the person's assignment is found again.
        const auto held = kglobalaccelKeys(connection);
        std::vector<std::string> monctlComponents;
        for (const auto& [name, actions] : held) {
            if (name.starts_with("org.monctl.Monctl"))
                monctlComponents.push_back(name);
        }
        ASSERT_EQ(monctlComponents, std::vector<std::string>{component}) << "start " << start;
        EXPECT_EQ(held.at(component), expected) << "start " << start;
        if (start == 2) {
            EXPECT_NE(seen.find("The desktop binds contrast-up to \"Ctrl+Alt+U\""),
                      std::string::npos)
                << seen;
        }
        monctl.signal(SIGTERM);
        monctl.wait();
        if (start == 1) {
            // While monctl is not running, the person gives contrast up another key in System
            // Settings.
            expected["contrast-up"] = {combined(Qt::CTRL | Qt::ALT | Qt::Key_U)};
            const auto name = QString::fromStdString(component);
            const auto assigned = connection.call(
                QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/kglobalaccel",
                                               "org.kde.KGlobalAccel", "setForeignShortcut")
                << QStringList{name, "contrast-up", name, "Monitor contrast up"}
                << QVariant::fromValue(
                       QList<int>(expected["contrast-up"].begin(), expected["contrast-up"].end())));
            ASSERT_NE(assigned.type(), QDBusMessage::ErrorMessage)
                << assigned.errorMessage().toStdString();
        }
    }
    QDBusConnection::disconnectFromBus("monctl-kde-test");
}
