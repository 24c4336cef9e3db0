// Presets that follow the application in front, on real desktops: X11 with openbox, sway
// headless, and a script in a headless KWin.
#include "monitor/MonitorSet.h"
#include "platform/PlatformLoader.h"
#include "platform/linux/KWinFrontApplication.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/ApplicationRules.h"
#include "shared/FrontApplicationPresets.h"
#include "shared/PresetStore.h"
#include "support/BusSession.h"
#include "support/OtherXClient.h"
#include "windows/ApplicationsView.h"

#include <QComboBox>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

const auto readingFrom533 = frames({"0107", "0401"});
const auto videoFrom933 = frames({"0103", "0204", "0405"});

// reading 7, graphic, 1 and video 3, video, 5, with the rules given.
void writeRules(const QString& path, const std::vector<ApplicationRule>& rules) {
    ASSERT_TRUE(PresetStore(path).save({"reading", {7, 3, 1}}));
    ASSERT_TRUE(PresetStore(path).save({"video", {3, 4, 5}}));
    for (const auto& rule : rules)
        ASSERT_TRUE(ApplicationRules(path).set(rule));
}

// What the window announces of its FrontApplication property.
class PropertyRecorder : public QObject {
    Q_OBJECT

public:
    explicit PropertyRecorder(QDBusConnection connection) {
        EXPECT_TRUE(connection.connect("org.monctl.Monctl", "/org/monctl/Monctl",
                                       "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                                       SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    }
    QStringList announced;
    Q_SLOT void propertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList&) {
        if (interface == "org.monctl.Monctl1" && changed.contains("FrontApplication"))
            announced.append(changed.value("FrontApplication").toString());
    }
};

QVariant frontApplicationOf(QDBusConnection connection) {
    auto get = QDBusMessage::createMethodCall("org.monctl.Monctl", "/org/monctl/Monctl",
                                              "org.freedesktop.DBus.Properties", "Get");
    get.setArguments({"org.monctl.Monctl1", "FrontApplication"});
    return QDBusReply<QDBusVariant>(connection.call(get, QDBus::Block, 2000)).value().variant();
}

} // namespace

TEST(FrontApplication, OnX11TheWindowOfAnotherApplicationBringsItsPresetAndAChangeByHandHolds) {
    BusSession session;
    // Case does not count; the instance matches too; * is every other application.
    writeRules(session.home.filePath("monctl/monctl.conf"),
               {{"xterm", "reading"}, {"KONSOLE", "reading"}, {"*", "video"}});
    OtherXClient windows;
    ChildProcess openbox({"openbox", "--sm-disable"});
    ASSERT_TRUE(processEventsUntil([&] { return windows.windowManagerRuns(); }, 10s));

    MonitorSimulator monitor({5, 3, 3}, nullptr);
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";
    auto connection = session.connect("x11");
    ASSERT_TRUE(processEventsUntil([&] { return frontApplicationOf(connection).isValid(); }, 10s));
    const PropertyRecorder recorder(connection);
    // monctl's own window, in front at its start, is no application.
    EXPECT_EQ(frontApplicationOf(connection).toString(), "");

    EXPECT_EQ(framesDuring(monitor, 2, [&] { windows.openWindow("xterm", "XTerm"); }),
              readingFrom533);

    EXPECT_EQ(framesDuring(monitor, 1,
                           [] {
                               EXPECT_EQ(runMonctl({"set", "contrast", "9"}).status, 0);
                           }),
              frames({"0109"}));
    unsigned long player = 0;
    EXPECT_EQ(framesDuring(monitor, 3, [&] { player = windows.openWindow("mpv", "mpv"); }),
              videoFrom933)
        << "the contrast set by hand held while xterm stayed in front";
    EXPECT_EQ(framesDuring(monitor, 3, [&] { windows.openWindow("konsole", "Terminal"); }),
              frames({"0107", "0203", "0401"}));
    EXPECT_EQ(framesDuring(monitor, 3, [&] { windows.activate(player); }), videoFrom933);
    // A window manager may have no window in front for a moment while it moves the focus.
    const QStringList announced{"XTerm", "mpv", "Terminal", "mpv"};
    EXPECT_TRUE(processEventsUntil(
        [&] { return recorder.announced.filter(QRegularExpression(".")) == announced; }, 5s))
        << recorder.announced.join(' ').toStdString();
    EXPECT_EQ(frontApplicationOf(connection).toString(), "mpv");
}

// sway refuses to run as root: there it runs as nobody, in a runtime folder of its own.
TEST(FrontApplication, OnSwayTheActivatedToplevelNamesItsAppId) {
    BusSession session;
    const auto folder = session.home.path().toStdString();
    std::ofstream(folder + "/sway.conf")
        << "xwayland disable\nexec echo ready $WAYLAND_DISPLAY $SWAYSOCK\n";
    std::vector<std::string> command{"/usr/bin/env",        "XDG_RUNTIME_DIR=" + folder,
                                     "HOME=" + folder,      "WLR_BACKENDS=headless",
                                     "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"};
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        command.insert(command.end(),
                       {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    command.insert(command.end(), {"sway", "-c", folder + "/sway.conf"});
    session.environment.unset("DISPLAY");
    session.environment.unset("WAYLAND_DISPLAY");
    ChildProcess sway(command);
    std::istringstream ready(sway.readLine(20s));
    std::string word, display, socket;
    ASSERT_TRUE(ready >> word >> display >> socket) << sway.errors();
    session.environment.set("WAYLAND_DISPLAY", folder + "/" + display);
    session.environment.set("SWAYSOCK", socket);
    session.environment.set("MONCTL_PLATFORM", "wayland");

    const auto watch = loadDesktopBackends().frontApplication;
    EXPECT_EQ(describeBackend(*watch), "wlroots foreign-toplevel list");
    std::vector<std::string> fronts;
    const auto changes = watch->changed.connect(
        [&](const FrontWindow& front) { fronts.push_back(front.application); });
    watch->start();
    const auto inFront = [&](const std::string& application) {
        return processEventsUntil([&] { return !fronts.empty() && fronts.back() == application; },
                                  10s);
    };
    ChildProcess reader({"foot", "--app-id=reader", "sleep", "60"});
    ASSERT_TRUE(inFront("reader"));
    ChildProcess player({"foot", "--app-id=player", "sleep", "60"});
    ASSERT_TRUE(inFront("player"));
    EXPECT_EQ(ChildProcess({"swaymsg", "[app_id=reader] focus"}).wait(), 0);
    ASSERT_TRUE(inFront("reader"));
    watch->stop();
    EXPECT_FALSE(watch->isWatching());
    EXPECT_EQ(fronts, (std::vector<std::string>{"reader", "player", "reader"}));
}

// The real KWin of this machine, headless: its file capabilities are lost in a copy, which
// a container without CAP_SYS_NICE can then run. A Qt program's app id is its file's name.
TEST(FrontApplication, OnKdeAScriptInKWinBringsThePresetWhileARuleOrSettingsNeedIt) {
    BusSession session;
    const auto kwin = session.home.filePath("kwin_wayland");
    ASSERT_TRUE(QFile::copy("/usr/bin/kwin_wayland", kwin));
    session.environment.set("HOME", session.home.path().toStdString());
    session.environment.unset("DISPLAY");
    session.environment.unset("WAYLAND_DISPLAY");
    ChildProcess compositor({kwin.toStdString(), "--virtual", "--no-lockscreen",
                             "--no-global-shortcuts", "--socket", "wayland-kwin"});
    auto connection = session.connect("kde");
    ASSERT_TRUE(processEventsUntil(
        [&] { return connection.interface()->isServiceRegistered("org.kde.KWin").value(); }, 30s));
    const auto loaded = [&] {
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting",
                                                   "org.kde.kwin.Scripting", "isScriptLoaded");
        call << QString(KWinFrontApplication::scriptName);
        return QDBusReply<bool>(connection.call(call)).value();
    };

    const auto path = session.home.filePath("monctl.conf");
    writeRules(path, {});
    MonitorSimulator monitor({5, 3, 3}, nullptr);
    SerialPortManager::reset();
    SerialPortManager::useRegistry(
        std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
    MonitorSet monitors;
    monitors.setReadsBack(true);
    monitors.start();
    ASSERT_TRUE(processEventsUntil(
        [&] { return monitors.active() && monitors.active()->settings().has_value(); }));
    // KWin 5.27's names, beside KWin 6's, which this KWin runs.
    for (const auto* part :
         {"workspace.clientActivated.connect(report)", "report(workspace.activeClient)"})
        EXPECT_TRUE(KWinFrontApplication::script("x").contains(part)) << part;

    auto opened = KWinFrontApplication::open();
    ASSERT_TRUE(opened) << opened.whyNot();
    std::shared_ptr<FrontApplicationWatch> watch = opened.take();
    session.environment.set("WAYLAND_DISPLAY", "wayland-kwin");
    session.environment.set("QT_QPA_PLATFORM", "wayland");
    ChildProcess calls({"/usr/bin/dbus-monitor", "--address", session.bus.address(),
                        "interface=org.kde.kwin.Scripting"});
    ASSERT_NE(calls.readLine(10s), "") << "listening";
    {
        FrontApplicationPresets presets(monitors, path, watch);
        EXPECT_FALSE(watch->isWatching()) << "no rule: KWin is not asked for anything";
        ASSERT_TRUE(ApplicationRules(path).set({"pixeltool", "reading"}));
        presets.reload();
        ChildProcess client({"/usr/lib/qt6/bin/pixeltool"});
        ASSERT_TRUE(processEventsUntil([&] { return presets.front() == "pixeltool"; }, 30s))
            << client.errors() << compositor.errors();
        ASSERT_TRUE(monitor.waitForFrames(6, 10s)) << "probed, read back, then the preset";
        // A script of the name left by a monctl that crashed goes first: KWin 5 keeps it.
        std::vector<std::string> asked;
        for (std::string line; asked.size() < 3 && !(line = calls.readLine(10s)).empty();) {
            if (const auto at = line.find(" member="); line.starts_with("method call"))
                asked.push_back(line.substr(at + 8, line.find(' ', at + 8) - at - 8));
        }
        EXPECT_EQ(asked, (std::vector<std::string>{"unloadScript", "loadScript", "start"}));
        const auto received = monitor.receivedFrames();
        EXPECT_EQ(std::vector(received.end() - 2, received.end()), readingFrom533);

        // Settings see the applications that were in front, and edit the rules.
        auto view = std::make_unique<ApplicationsView>(path, presets);
        const auto viewer = session.home.filePath("viewer");
        ASSERT_TRUE(QFile::copy("/usr/lib/qt6/bin/pixeltool", viewer));
        ChildProcess other({viewer.toStdString()});
        ASSERT_TRUE(processEventsUntil([&] { return view->application()->count() == 2; }, 30s));
        view->application()->setCurrentIndex(1);
        view->preset()->setCurrentText("video");
        view->addRule()->click();
        EXPECT_EQ(ApplicationRules(path).list(),
                  (std::vector<ApplicationRule>{{"pixeltool", "reading"}, {"viewer", "video"}}));
        view->application()->setEditText("a/b");
        EXPECT_FALSE(view->addRule()->isEnabled());
        for (const char* gone : {"pixeltool", "viewer"}) {
            view->ruleList()->setCurrentItem(
                view->ruleList()->findItems(gone, Qt::MatchExactly).value(0));
            view->deleteRule()->click();
        }
        EXPECT_EQ(view->ruleList()->topLevelItemCount(), 0);
        presets.reload();
        EXPECT_TRUE(loaded()) << "Settings still look";
        view.reset();
        EXPECT_TRUE(processEventsUntil([&] { return !loaded(); }));
    }

    FrontApplicationPresets nowhere(monitors, path,
                                    std::make_shared<NullFrontApplicationWatch>(
                                        "GNOME on Wayland tells the window in front only to "
                                        "Shell extensions"));
    ApplicationsView greyed(path, nowhere);
    EXPECT_FALSE(greyed.isEnabled());
    EXPECT_TRUE(greyed.note()->text().contains("Shell extensions"))
        << greyed.note()->text().toStdString();
}

#include "FrontApplicationTest.moc"
