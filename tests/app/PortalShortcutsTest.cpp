// The shortcuts on a Wayland desktop: bound through the desktop's GlobalShortcuts portal (a
// double of it on a session bus of the test's own), acting as the keys do on X11.
#include "app/AppShell.h"
#include "app/ControlPanel.h"
#include "app/SettingsWindow.h"
#include "app/ShortcutReachNote.h"
#include "device/MonitorSimulator.h"
#include "platform/PlatformLoader.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "support/GuiTestMain.h"
#include "support/PortalDouble.h"
#include "support/PrivateSessionBus.h"

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;

namespace {

// The backends a Wayland session gets, on the bus of the test.
class WaylandSession {
public:
    WaylandSession() { ::setenv("MONCTL_PLATFORM", "wayland", 1); }
    ~WaylandSession() { ::setenv("MONCTL_PLATFORM", "x11", 1); }
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;
};

std::string noteText(const std::shared_ptr<DesktopShortcuts>& desktop) {
    return ShortcutReachNote(desktop, false).text().toStdString();
}

std::string inFrontOnly() {
    return ShortcutReachNote::tr("Shortcuts work only while monctl is in front.").toStdString();
}

std::vector<std::string> framesFrom(const MonitorSimulator& monitor, std::size_t first) {
    const auto frames = monitor.receivedFrames();
    return {frames.begin() + static_cast<std::ptrdiff_t>(std::min(first, frames.size())),
            frames.end()};
}

} // namespace

TEST(PortalShortcuts, BoundShortcutsActAsKeysDoShowWhatTheDesktopBoundAndFollowSettings) {
    PrivateSessionBus bus;
    WaylandSession wayland;
    PortalDouble portal({.sessionHandleAsString = true, .assigned = {{"contrast-down", "Alt+F9"}}});
    MonitorSimulator monitor({5, 2, 1}, nullptr);
    QTemporaryDir home;
    Preferences preferences(home.filePath("monctl.conf"));
    StoredSettings stored;
    stored.refreshKeyCode = VirtualKey::d;
    stored.refreshFlags = ModifierFlag::control;
    stored.thresholdKeyCode = VirtualKey::u;
    stored.thresholdFlags = ModifierFlag::control;
    stored.thresholdDownKeyCode = VirtualKey::p;
    stored.thresholdDownFlags = ModifierFlag::control | ModifierFlag::shift;
    ASSERT_TRUE(preferences.save(stored));
    SerialPortManager::reset();
    SerialPortManager::useRegistry(
        std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
    auto backends = loadDesktopBackends();
    // Not an owner: the program's end, which closes the portal session, is the shell's.
    const std::shared_ptr<DesktopShortcuts> desktop(std::shared_ptr<void>(),
                                                    backends.desktopShortcuts.get());
    ASSERT_EQ(desktop->whyNull(), "");
    {
        AppShell shell(*qApp, preferences, std::move(backends));
        shell.mainWindow()->show();
        shell.applicationDidFinishLaunching();
        ControlPanel* panel = shell.controlPanel();
        ASSERT_TRUE(processEventsUntil([&] {
            return desktop->state() == DesktopShortcuts::State::bound &&
                   panel->speedInfo()->isEnabled() && !panel->isReadingBack();
        }));
        EXPECT_EQ(portal.calls(),
                  (std::vector<std::string>{"CreateSession",
                                            "BindShortcuts fast-refresh=CTRL+D contrast-up=CTRL+U "
                                            "contrast-down=CTRL+SHIFT+P"}));
        const auto shown = noteText(desktop);
        EXPECT_NE(shown.find("CTRL+D"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Alt+F9"), std::string::npos) << shown;

        // As Ctrl+U on X11: the contrast one step up, then its read-back.
        const auto before = monitor.receivedFrames().size();
        portal.activate("contrast-up");
        ASSERT_TRUE(processEventsUntil([&] { return framesFrom(monitor, before).size() >= 2; }));
        const auto sent = framesFrom(monitor, before);
        EXPECT_EQ(sent[0].substr(0, 8), "5FF50106");
        EXPECT_EQ(sent[1].substr(0, 8), "5FF50A01");

        // OK in Settings binds again, in a session of its own.
        QTimer::singleShot(0, [] {
            auto* settings = qApp->activeModalWidget();
            ASSERT_NE(settings, nullptr);
            settings->findChild<QPushButton*>("buttonOK")->click();
        });
        shell.presentSettings();
        ASSERT_TRUE(processEventsUntil([&] {
            return portal.calls().size() == 5 && desktop->state() == DesktopShortcuts::State::bound;
        }));
        EXPECT_EQ(portal.calls()[2], "Close");
        EXPECT_EQ(portal.calls()[3], "CreateSession");
    }
    EXPECT_EQ(portal.calls().back(), "Close"); // at the end of the program
}

TEST(PortalShortcuts, WithoutAWorkingPortalShortcutsWorkInFrontAndSettingsSaySo) {
    PrivateSessionBus bus;
    WaylandSession wayland;
    {
        const auto none = loadDesktopBackends().desktopShortcuts;
        EXPECT_EQ(none->whyNull(), "the desktop offers no portal (org.freedesktop.portal.Desktop)");
        EXPECT_EQ(noteText(none), inFrontOnly());
    }
    {
        PortalDouble portal({.globalShortcuts = false, .assigned = {}});
        const auto none = loadDesktopBackends().desktopShortcuts;
        EXPECT_EQ(none->whyNull(), "the desktop's portal has no GlobalShortcuts interface");
    }
    const std::vector<DesktopShortcuts::Wish> wishes{
        {"fast-refresh", "Fast refresh",
         Shortcut::shortcutWithKeyCode(VirtualKey::d, ModifierFlag::control)}};
    {
        PortalDouble portal({.refuseBind = true, .assigned = {}});
        const auto refusing = loadDesktopBackends().desktopShortcuts;
        refusing->bind(wishes);
        ASSERT_TRUE(processEventsUntil(
            [&] { return refusing->state() == DesktopShortcuts::State::refused; }));
        EXPECT_NE(noteText(refusing).find(
                      ShortcutReachNote::tr("The desktop did not bind the shortcuts: they work "
                                            "only while monctl is in front.")
                          .toStdString()),
                  std::string::npos);
    }
    PortalDouble portal({.listInsteadOfAnswer = true, .assigned = {}});
    const auto leaving = loadDesktopBackends().desktopShortcuts;
    leaving->bind(wishes);
    ASSERT_TRUE(
        processEventsUntil([&] { return leaving->state() == DesktopShortcuts::State::bound; }));
    ASSERT_EQ(leaving->bindings().size(), 1u);
    EXPECT_EQ(leaving->bindings()[0].trigger, "CTRL+D");
    portal.vanish();
    ASSERT_TRUE(
        processEventsUntil([&] { return leaving->state() == DesktopShortcuts::State::gone; }));
    EXPECT_EQ(noteText(leaving), inFrontOnly());
}
