// monctl's shortcuts with KDE Plasma's own services (xdg-desktop-portal, its KDE backend and
// kglobalaccel) on a session bus of the test's own: monctl, with its Wayland backends and its
// window on the test's X server, is known to the portal by a launcher's systemd scope.
#include "support/BusSession.h"
#include "support/ConfirmedShortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <map>
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

// A systemd scope as a launcher makes it for a program it starts
// (user@UID.service/app.slice/app-org.monctl.Monctl-N.scope) in the cgroup2 hierarchy: the
// portal reads the program's application id from its name. The folders it made go at
// destruction, when the programs in the scope have ended.
class LauncherScope {
public:
    LauncherScope() {
        std::ifstream mounts("/proc/self/mounts");
        std::string device, folder, type;
        while (mounts >> device >> folder >> type && type != "cgroup2")
            mounts.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        if (type != "cgroup2") {
            whyNot = "no cgroup2 hierarchy is mounted";
            return;
        }
        const auto uid = std::to_string(::getuid());
        fs::path scope = folder;
        for (const std::string& part :
             {std::string("user.slice"), "user-" + uid + ".slice", "user@" + uid + ".service",
              std::string("app.slice"),
              "app-org.monctl.Monctl-" + std::to_string(::getpid()) + ".scope"}) {
            scope /= part;
            std::error_code error;
            if (fs::create_directory(scope, error))
                m_made.push_back(scope);
            else if (error)
                whyNot = "cannot make " + scope.string() + ": " + error.message();
        }
        processes = (scope / "cgroup.procs").string();
    }
    ~LauncherScope() {
        std::error_code ignored;
        for (auto made = m_made.rbegin(); made != m_made.rend(); ++made)
            fs::remove(*made, ignored);
    }

    std::string whyNot;
    std::string processes;

private:
    std::vector<fs::path> m_made;
};

using Keys = std::map<std::string, std::vector<int>>;

// kglobalaccel's keys of each action, as Qt key combinations, by component of monctl's.
std::map<std::string, Keys> monctlKeys(const QDBusConnection& bus) {
    std::map<std::string, Keys> keys;
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
            if (component.startsWith("org.monctl.Monctl"))
                keys[component.toStdString()][action.toStdString()] = {current.begin(),
                                                                       current.end()};
        }
        argument.endArray();
    }
    return keys;
}

} // namespace

TEST(KdeShortcuts, KdesOwnServicesHoldTheThreeShortcutsUnderOneSessionAcrossStarts) {
    const auto kdePortal =
        std::ranges::find_if(kdePortalPrograms, [](const char* path) { return fs::exists(path); });
    if (kdePortal == std::end(kdePortalPrograms) || !fs::exists(portalProgram) ||
        !fs::exists(permissionStoreProgram) || !fs::exists(kglobalaccelProgram))
        GTEST_SKIP() << "KDE's shortcut services are not installed (xdg-desktop-portal, "
                        "xdg-desktop-portal-kde, libkf5globalaccel-bin)";
    LauncherScope scope;
    if (!scope.whyNot.empty())
        GTEST_SKIP() << "no launcher's scope can be made for monctl: " << scope.whyNot;

    // KDE's services and monctl's window on the test's X server; monctl's other backends are
    // those of a Wayland session: uinput and the portal.
    BusSession session({{"org.freedesktop.portal.Desktop", portalProgram},
                        {"org.freedesktop.impl.portal.PermissionStore", permissionStoreProgram},
                        {"org.freedesktop.impl.portal.desktop.kde", *kdePortal},
                        {"org.kde.kglobalaccel", kglobalaccelProgram}},
                       {{"XDG_CURRENT_DESKTOP", "KDE"},
                        {"QT_QPA_PLATFORM", "xcb"},
                        {"MONCTL_PLATFORM", "wayland"}});
    ASSERT_TRUE(Preferences(session.home.filePath("monctl/monctl.conf")).save(confirmedShortcuts));
    const auto connection = session.connect("kde");

    const std::string component = "org.monctl.Monctlmonctl";
    Keys expected{{"fast-refresh", {(Qt::CTRL | Qt::Key_D).toCombined()}},
                  {"contrast-up", {(Qt::CTRL | Qt::Key_U).toCombined()}},
                  {"contrast-down", {(Qt::CTRL | Qt::SHIFT | Qt::Key_P).toCombined()}}};
    for (int start = 1; start <= 2; ++start) {
        ChildProcess monctl({"/bin/sh", "-c",
                             "echo $$ >\"$0\" || { echo 'cannot enter the scope'; exit 3; }; "
                             "exec \"$1\" --simulate -v 2>&1",
                             scope.processes, MONCTL_PATH});
        // Its log says what the desktop bound for each of its three shortcuts.
        std::string seen;
        int bindings = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (bindings < 3 && std::chrono::steady_clock::now() < deadline) {
            const auto line = monctl.readLine(std::chrono::seconds(30));
            seen += line + "\n";
            bindings += line.find("The desktop binds") != std::string::npos;
        }
        if (seen.starts_with("cannot enter the scope"))
            GTEST_SKIP() << "monctl cannot be placed in " << scope.processes;
        ASSERT_EQ(bindings, 3) << "start " << start << ":\n" << seen;
        // The application id and the session's handle token name KDE's component: one, the
        // same at both starts, where the person's assignment is found again.
        EXPECT_EQ(monctlKeys(connection), (std::map<std::string, Keys>{{component, expected}}))
            << "start " << start;
        if (start == 2) {
            EXPECT_NE(seen.find("The desktop binds contrast-up to \"Ctrl+Alt+U\""),
                      std::string::npos)
                << seen;
        }
        monctl.signal(SIGTERM);
        monctl.wait();
        // While monctl is not running, the person gives contrast up another key in System
        // Settings.
        expected["contrast-up"] = {(Qt::CTRL | Qt::ALT | Qt::Key_U).toCombined()};
        const auto name = QString::fromStdString(component);
        const auto assigned = connection.call(
            QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/kglobalaccel",
                                           "org.kde.KGlobalAccel", "setForeignShortcut")
            << QStringList{name, "contrast-up", name, "Monitor contrast up"}
            << QVariant::fromValue(QList<int>{expected["contrast-up"][0]}));
        ASSERT_NE(assigned.type(), QDBusMessage::ErrorMessage)
            << assigned.errorMessage().toStdString();
    }
}
