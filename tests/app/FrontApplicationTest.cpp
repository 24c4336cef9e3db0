// Presets that follow the application in front, on real desktops: X11 with openbox, sway
// headless, and KWin's scripting interface played by a double on a private bus.
#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "platform/PlatformLoader.h"
#include "platform/linux/KWinFrontApplication.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/ApplicationRules.h"
#include "shared/FrontApplicationPresets.h"
#include "shared/PresetStore.h"
#include "support/BusSession.h"
#include "windows/ApplicationsView.h"

#include <QComboBox>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <unistd.h>

// Last: Xlib's macros (None, Bool) would rename what the headers above declare.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

const auto readingFrom533 = frames({"0107", "0401"});
const auto videoFrom933 = frames({"0103", "0204", "0405"});
const auto readingFrom345 = frames({"0107", "0203", "0401"});

// reading 7, graphic, 1 and video 3, video, 5, with the rules given.
void writeRules(const QString& path, const std::vector<ApplicationRule>& rules) {
    ASSERT_TRUE(PresetStore(path).save({"reading", {7, 3, 1}}));
    ASSERT_TRUE(PresetStore(path).save({"video", {3, 4, 5}}));
    for (const auto& rule : rules)
        ASSERT_TRUE(ApplicationRules(path).set(rule));
}

// Top-level windows of given WM_CLASS on the X server, and what a pager asks of the window
// manager.
class XWindows {
public:
    XWindows() : m_display(XOpenDisplay(nullptr)) {}
    ~XWindows() { XCloseDisplay(m_display); }
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    // An ICCCM window manager owns the screen's WM_S0 selection while it runs.
    bool windowManagerRuns() {
        return XGetSelectionOwner(m_display, XInternAtom(m_display, "WM_S0", False)) != None;
    }
    Window open(const char* instance, const char* applicationClass) {
        const Window window =
            XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 200, 100, 0, 0, 0);
        XClassHint hint{const_cast<char*>(instance), const_cast<char*>(applicationClass)};
        XSetClassHint(m_display, window, &hint);
        XMapWindow(m_display, window);
        XSync(m_display, False);
        activate(window);
        return window;
    }
    void activate(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // a pager: the window manager does not second-guess it
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, DefaultRootWindow(m_display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XSync(m_display, False);
    }

private:
    Display* m_display;
};

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

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList&) {
        if (interface == "org.monctl.Monctl1" && changed.contains("FrontApplication"))
            announced.append(changed.value("FrontApplication").toString());
    }
};

QVariant frontApplicationOf(QDBusConnection connection) {
    auto get = QDBusMessage::createMethodCall("org.monctl.Monctl", "/org/monctl/Monctl",
                                              "org.freedesktop.DBus.Properties", "Get");
    get.setArguments({"org.monctl.Monctl1", "FrontApplication"});
    const QDBusReply<QDBusVariant> reply = connection.call(get, QDBus::Block, 2000);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

} // namespace

TEST(FrontApplication, OnX11TheWindowOfAnotherApplicationBringsItsPresetAndAChangeByHandHolds) {
    BusSession session;
    // Case does not count; the instance matches too; * is every other application.
    writeRules(session.home.filePath("monctl/monctl.conf"),
               {{"xterm", "reading"}, {"KONSOLE", "reading"}, {"*", "video"}});
    ChildProcess openbox({"openbox", "--sm-disable"});
    XWindows windows;
    ASSERT_TRUE(processEventsUntil([&] { return windows.windowManagerRuns(); }, 10s));

    MonitorSimulator monitor({5, 3, 3}, nullptr);
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(4, 10s)) << "probed and read back";
    auto connection = session.connect("x11");
    ASSERT_TRUE(processEventsUntil([&] { return frontApplicationOf(connection).isValid(); }, 10s));
    const PropertyRecorder recorder(connection);
    // monctl's own window, in front at its start, is no application.
    EXPECT_EQ(frontApplicationOf(connection).toString(), "");

    EXPECT_EQ(framesDuring(monitor, 2, [&] { windows.open("xterm", "XTerm"); }), readingFrom533);
    ASSERT_TRUE(processEventsUntil(
        [&] { return frontApplicationOf(connection).toString() == "XTerm"; }, 5s));

    EXPECT_EQ(framesDuring(monitor, 1,
                           [] {
                               EXPECT_EQ(runMonctl({"set", "contrast", "9"}).status, 0);
                           }),
              frames({"0109"}));
    Window player = 0;
    EXPECT_EQ(framesDuring(monitor, 3, [&] { player = windows.open("mpv", "mpv"); }), videoFrom933)
        << "the contrast set by hand held while xterm stayed in front";
    EXPECT_EQ(framesDuring(monitor, 3, [&] { windows.open("konsole", "Terminal"); }),
              readingFrom345);
    EXPECT_EQ(framesDuring(monitor, 3, [&] { windows.activate(player); }), videoFrom933);
    ASSERT_TRUE(
        processEventsUntil([&] { return frontApplicationOf(connection).toString() == "mpv"; }, 5s));
    // A window manager may have no window in front for a moment while it moves the focus.
    EXPECT_EQ(recorder.announced.filter(QRegularExpression(".")),
              (QStringList{"XTerm", "mpv", "Terminal", "mpv"}));
}

// sway refuses to run as root: there it runs as nobody, in a runtime folder of its own.
TEST(FrontApplication, OnSwayTheActivatedToplevelNamesItsAppId) {
    BusSession session;
    const auto folder = session.home.path().toStdString();
    {
        QFile file(session.home.filePath("sway.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("xwayland disable\nexec echo ready $WAYLAND_DISPLAY $SWAYSOCK\n");
    }
    std::vector<std::string> command{"/usr/bin/env",        "XDG_RUNTIME_DIR=" + folder,
                                     "HOME=" + folder,      "WLR_BACKENDS=headless",
                                     "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"};
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        command.insert(command.end(),
                       {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    command.insert(command.end(), {"sway", "-c", folder + "/sway.conf"});
    auto& environment = session.environment;
    environment.unset("DISPLAY");
    environment.unset("WAYLAND_DISPLAY");
    ChildProcess sway(command);
    const auto ready = sway.readLine(20s);
    ASSERT_TRUE(ready.starts_with("ready wayland-")) << ready << sway.errors();
    const auto words = QString::fromStdString(ready).split(' ');
    ASSERT_EQ(words.size(), 3);
    environment.set("WAYLAND_DISPLAY", folder + "/" + words[1].toStdString());
    environment.set("SWAYSOCK", words[2].toStdString());
    environment.set("MONCTL_PLATFORM", "wayland");

    const auto watch = loadDesktopBackends().frontApplication;
    EXPECT_EQ(describeBackend(*watch), "wlroots foreign-toplevel list");
    std::vector<std::string> fronts;
    const auto changes = watch->changed.connect(
        [&](const FrontWindow& front) { fronts.push_back(front.application); });
    watch->start();
    ASSERT_TRUE(watch->isWatching());
    const auto inFront = [&](const std::string& application) {
        return processEventsUntil([&] { return !fronts.empty() && fronts.back() == application; },
                                  10s);
    };
    ChildProcess reader({"foot", "--app-id=reader", "sleep", "60"});
    ASSERT_TRUE(inFront("reader"));
    ChildProcess player({"foot", "--app-id=player", "sleep", "60"});
    ASSERT_TRUE(inFront("player"));
    ChildProcess focus({"swaymsg", "[app_id=reader] focus"});
    EXPECT_EQ(focus.wait(), 0);
    ASSERT_TRUE(inFront("reader"));
    watch->stop();
    EXPECT_FALSE(watch->isWatching());
    EXPECT_EQ(fronts, (std::vector<std::string>{"reader", "player", "reader"}));
}

namespace {

// org.kde.kwin.Scripting as KWin serves it, running nothing: it keeps the script monctl
// loads, and plays the calls such a script makes.
class KWinScriptingDouble : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")

public:
    explicit KWinScriptingDouble(QDBusConnection connection) : m_connection(connection) {
        m_connection.registerObject("/Scripting", this, QDBusConnection::ExportAllSlots);
        m_connection.registerService("org.kde.KWin");
    }

    QStringList calls;
    QString script;

    // What the loaded script does when a window comes to the front.
    void activate(const QString& resourceClass, const QString& resourceName) {
        const QRegularExpression call(
            R"re(callDBus\("([^"]+)", "([^"]+)", "([^"]+)", "([^"]+)")re");
        const auto match = call.match(script);
        ASSERT_TRUE(match.hasMatch()) << script.toStdString();
        auto message = QDBusMessage::createMethodCall(match.captured(1), match.captured(2),
                                                      match.captured(3), match.captured(4));
        message << resourceClass << resourceName;
        m_connection.call(message, QDBus::NoBlock);
    }

public slots:
    int loadScript(const QString& path, const QString& name) {
        QFile file(path);
        script = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        calls.append("loadScript " + name);
        return 0;
    }
    void start() { calls.append("start"); }
    bool unloadScript(const QString& name) {
        calls.append("unloadScript " + name);
        return true;
    }

private:
    QDBusConnection m_connection;
};

} // namespace

TEST(FrontApplication, OnKdeAScriptIsLoadedWhileARuleExistsAndItsCallsBringThePreset) {
    BusSession session;
    KWinScriptingDouble kwin(session.connect("kwin"));
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

    auto opened = KWinFrontApplication::open();
    ASSERT_TRUE(opened) << opened.whyNot();
    std::shared_ptr<FrontApplicationWatch> watch = opened.take();
    {
        FrontApplicationPresets presets(monitors, path, watch);
        EXPECT_FALSE(watch->isWatching()) << "no rule: KWin is not asked for anything";

        ASSERT_TRUE(ApplicationRules(path).set({"org.kde.konsole", "reading"}));
        presets.reload();
        const QStringList loading{"unloadScript monctl-front-window",
                                  "loadScript monctl-front-window", "start"};
        ASSERT_TRUE(processEventsUntil([&] { return kwin.calls == loading; }));
        for (const auto* part :
             {"workspace.windowActivated.connect(report)",
              "workspace.clientActivated.connect(report)", "report(workspace.activeWindow)",
              "report(workspace.activeClient)", "String(window.resourceClass)"})
            EXPECT_TRUE(kwin.script.contains(part)) << part << " in\n" << kwin.script.toStdString();
        EXPECT_EQ(framesDuring(monitor, 2, [&] { kwin.activate("org.kde.konsole", "konsole"); }),
                  readingFrom533);
        EXPECT_EQ(presets.front(), "org.kde.konsole");

        // Settings see the applications that were in front, and edit the rules.
        auto view = std::make_unique<ApplicationsView>(path, presets);
        EXPECT_TRUE(view->isEnabled());
        kwin.activate("firefox", "Navigator");
        ASSERT_TRUE(processEventsUntil([&] { return view->application()->count() == 2; }));
        EXPECT_EQ(view->application()->itemText(1), "firefox");
        view->application()->setCurrentIndex(1);
        view->preset()->setCurrentText("video");
        view->addRule()->click();
        EXPECT_EQ(
            ApplicationRules(path).list(),
            (std::vector<ApplicationRule>{{"firefox", "video"}, {"org.kde.konsole", "reading"}}));
        view->application()->setEditText("a/b");
        EXPECT_FALSE(view->addRule()->isEnabled());
        for (const char* gone : {"org.kde.konsole", "firefox"}) {
            view->ruleList()->setCurrentItem(
                view->ruleList()->findItems(gone, Qt::MatchExactly).value(0));
            view->deleteRule()->click();
        }
        EXPECT_EQ(view->ruleList()->topLevelItemCount(), 0);
        presets.reload();
        EXPECT_TRUE(watch->isWatching()) << "Settings still look";
        view.reset();
        ASSERT_TRUE(processEventsUntil([&] { return !watch->isWatching(); }));
        ASSERT_TRUE(processEventsUntil([&] { return kwin.calls.size() == 4; }));
        EXPECT_EQ(kwin.calls.back(), "unloadScript monctl-front-window");
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

// The real KWin of this machine, headless: its file capabilities are lost in a copy, which
// a container without CAP_SYS_NICE can then run. A Qt program's app id is its file's name.
TEST(FrontApplication, ARealKWinRunsTheScriptThatTellsTheWindowInFront) {
    BusSession session;
    const auto kwin = session.home.filePath("kwin_wayland");
    ASSERT_TRUE(QFile::copy("/usr/bin/kwin_wayland", kwin));
    auto& environment = session.environment;
    environment.set("HOME", session.home.path().toStdString());
    environment.unset("DISPLAY");
    environment.unset("WAYLAND_DISPLAY");
    ChildProcess compositor({kwin.toStdString(), "--virtual", "--no-lockscreen",
                             "--no-global-shortcuts", "--socket", "wayland-kwin"});
    auto connection = session.connect("kde");
    ASSERT_TRUE(processEventsUntil(
        [&] { return connection.interface()->isServiceRegistered("org.kde.KWin").value(); }, 30s));

    auto opened = KWinFrontApplication::open();
    ASSERT_TRUE(opened) << opened.whyNot();
    const std::shared_ptr<KWinFrontApplication> watch = opened.take();
    std::vector<FrontWindow> fronts;
    const auto changes =
        watch->changed.connect([&](const FrontWindow& front) { fronts.push_back(front); });
    watch->start();
    environment.set("WAYLAND_DISPLAY", "wayland-kwin");
    environment.set("QT_QPA_PLATFORM", "wayland");
    ChildProcess client({"/usr/lib/qt6/bin/pixeltool"});
    ASSERT_TRUE(processEventsUntil(
        [&] { return !fronts.empty() && fronts.back().application == "pixeltool"; }, 30s))
        << fronts.size() << " " << (fronts.empty() ? "" : fronts.back().application)
        << client.errors() << compositor.errors();

    const auto loaded = [&] {
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting",
                                                   "org.kde.kwin.Scripting", "isScriptLoaded");
        call << QString::fromLatin1(KWinFrontApplication::scriptName);
        const QDBusReply<bool> reply = connection.call(call);
        return reply.isValid() && reply.value();
    };
    EXPECT_TRUE(loaded());
    watch->stop();
    EXPECT_TRUE(processEventsUntil([&] { return !loaded(); }));
}

// The meta-object code names Qt's types that Xlib's macros would rename.
#undef Bool
#undef None
#undef Status
#include "FrontApplicationTest.moc"
