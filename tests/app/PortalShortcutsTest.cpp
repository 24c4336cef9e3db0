// The shortcuts on a Wayland desktop: bound through the desktop's GlobalShortcuts portal (a
// double of it on a session bus of the test's own), acting as the keys do on X11.
#include "platform/PlatformLoader.h"
#include "shortcut/KeyCodes.h"
#include "support/BusSession.h"
#include "support/ConfirmedShortcuts.h"
#include "support/PortalDouble.h"
#include "support/WindowFixture.h"
#include "windows/SettingsWindow.h"
#include "windows/ShortcutReachNote.h"
#include "windows/ShortcutView.h"

#include <QCheckBox>
#include <QMainWindow>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;

namespace {

using Calls = std::vector<std::string>;
using State = DesktopShortcuts::State;

// One start of monctl's window, with the backends the session gives it.
struct WindowStart {
    explicit WindowStart(const Preferences& preferences,
                         DesktopBackends backends = loadDesktopBackends())
        : desktop(std::shared_ptr<void>(), backends.desktopShortcuts.get()),
          shell(*qApp, preferences, std::move(backends)) {
        shell.mainWindow()->show();
        shell.applicationDidFinishLaunching();
    }
    bool bound() const {
        return processEventsUntil([&] { return desktop->state() == State::bound; });
    }

    // Not an owner: the program's end, which closes the portal session, is the shell's.
    std::shared_ptr<DesktopShortcuts> desktop;
    AppShell shell;
};

// Opens Settings, lets `use` act in them, and leaves them with the button named.
void inSettings(AppShell& shell, const std::function<void(SettingsWindow&)>& use,
                const char* leaveWith = "buttonOK") {
    onceOpen<SettingsWindow>([&](SettingsWindow& settings) {
        use(settings);
        settings.findChild<QPushButton*>(leaveWith)->click();
    });
    shell.presentSettings();
}

// The button beside the shortcuts' line in Settings, which are left without saving.
void clickConfigureButton(AppShell& shell) {
    inSettings(
        shell,
        [](SettingsWindow& settings) {
            auto* configure = settings.findChild<QPushButton*>("configureDesktopShortcuts");
            ASSERT_TRUE(configure && configure->isVisibleTo(&settings));
            configure->click();
        },
        "buttonExit");
}

std::string noteText(const std::shared_ptr<DesktopShortcuts>& desktop) {
    return ShortcutReachNote(desktop, false).text().toStdString();
}

std::string noteSays(const char* text) {
    return ShortcutReachNote::tr(text).toStdString();
}

const std::string boundAtFirst = "BindShortcuts fast-refresh=CTRL+D contrast-up=CTRL+U "
                                 "contrast-down=CTRL+SHIFT+P";

// A Wayland session on the bus of the test, the shortcuts confirmed, one monitor.
class PortalShortcuts : public WindowFixture {
protected:
    PortalShortcuts() {
        environment.set("MONCTL_PLATFORM", "wayland");
        environment.set("XDG_CURRENT_DESKTOP", "GNOME");
        EXPECT_TRUE(preferences.save(confirmedShortcuts));
        usePorts({monitor.devicePath()});
    }
    // The first frame `act` sends, once the window has read the monitor back before and after.
    std::string frameOf(WindowStart& start, const std::function<void()>& act) {
        EXPECT_TRUE(test::settled(*start.shell.controlPanel()));
        const auto frames = framesDuring(monitor, 2, act);
        EXPECT_TRUE(test::settled(*start.shell.controlPanel()));
        return frames.size() >= 2 ? frames[0].substr(0, 8) : "none";
    }

    PrivateSessionBus bus;
    MonitorSimulator monitor{{5, 2, 1}, nullptr};
};

} // namespace

// A current portal: monctl, started from a terminal (no launcher's scope names it), registers
// its id first, and nothing waits for the portal meanwhile. A session the desktop ends, and a
// portal that restarts, are followed by a new session that binds nothing the desktop still
// holds: the shortcuts act again, and the person is not asked a second time. Settings bind anew
// only for a changed combination; the next start has a session of the same handle.
TEST_F(PortalShortcuts, AnEndedSessionOrARestartedPortalComesBackWithoutAskingAgain) {
    PortalDouble portal({.current = true, .assigned = {}});
    portal.holdCalls();
    auto start = std::make_unique<WindowStart>(preferences);
    // The first question, the registry's version, waits; nothing is asked after it meanwhile.
    const auto firstQuestionWaits = [&] {
        EXPECT_TRUE(processEventsUntil([&] { return !portal.heldCalls().empty(); }));
        EXPECT_EQ(portal.heldCalls(), Calls{"Get"});
        EXPECT_EQ(start->desktop->state(), State::binding);
        portal.answerHeldCalls();
    };
    firstQuestionWaits();
    ASSERT_TRUE(start->bound()) << start->desktop->problem();
    EXPECT_EQ(portal.calls(), (Calls{"Register org.monctl.Monctl", "CreateSession monctl",
                                     "ListShortcuts", boundAtFirst}));
    EXPECT_NE(noteText(start->desktop).find("CTRL+SHIFT+P"), std::string::npos);

    // As Ctrl+U on X11: the contrast one step up. A release, or an id monctl did not ask for,
    // does nothing: the next step is down from 6.
    EXPECT_EQ(frameOf(*start, [&] { portal.activate("contrast-up"); }), "5FF50106");
    EXPECT_EQ(frameOf(*start,
                      [&] {
                          portal.activate("someone-elses");
                          portal.deactivate("contrast-up");
                          portal.activate("contrast-down");
                      }),
              "5FF50105");

    auto before = portal.calls().size();
    const auto boundAgain = [&](std::size_t calls) {
        return processEventsUntil([&] {
            return portal.calls(before).size() >= calls && start->desktop->state() == State::bound;
        });
    };
    portal.closeSession();
    ASSERT_TRUE(boundAgain(2));
    EXPECT_EQ(portal.calls(before), (Calls{"CreateSession monctl", "ListShortcuts"}));
    EXPECT_EQ(frameOf(*start, [&] { portal.activate("contrast-up"); }), "5FF50106");

    before = portal.calls().size();
    portal.holdCalls();
    portal.restart();
    firstQuestionWaits();
    ASSERT_TRUE(boundAgain(3));
    EXPECT_EQ(portal.calls(before),
              (Calls{"Register org.monctl.Monctl", "CreateSession monctl", "ListShortcuts"}));
    EXPECT_EQ(frameOf(*start, [&] { portal.activate("contrast-down"); }), "5FF50105");

    // OK with nothing changed asks the desktop nothing: the next call is the configure
    // button's, beside the line in Settings.
    before = portal.calls().size();
    inSettings(start->shell, [](SettingsWindow&) {});
    clickConfigureButton(start->shell);
    ASSERT_TRUE(processEventsUntil([&] { return portal.calls().size() > before; }));
    EXPECT_EQ(portal.calls(before), Calls{"ConfigureShortcuts"});

    // A changed combination is bound once, in a new session.
    inSettings(start->shell, [](SettingsWindow& settings) {
        settings.refreshHotCutView()->setShortcutValue(
            Shortcut::shortcutWithKeyCode(VirtualKey::f5, ModifierFlag::control));
    });
    ASSERT_TRUE(start->bound());
    EXPECT_EQ(portal.calls(before + 1),
              (Calls{"Close", "CreateSession monctl", "ListShortcuts",
                     "BindShortcuts fast-refresh=CTRL+F5 contrast-up=CTRL+U "
                     "contrast-down=CTRL+SHIFT+P"}));

    // The end of the program closes the session without waiting for the portal; the next
    // start finds what the desktop holds, in a session of the same handle.
    start.reset();
    ASSERT_TRUE(processEventsUntil([&] { return portal.calls().back() == "Close"; }));
    before = portal.calls().size();
    start = std::make_unique<WindowStart>(preferences);
    ASSERT_TRUE(start->bound());
    EXPECT_EQ(portal.calls(before),
              (Calls{"Register org.monctl.Monctl", "CreateSession monctl", "ListShortcuts"}));
    EXPECT_NE(noteText(start->desktop).find("CTRL+F5"), std::string::npos);
}

// A person who turned the shortcuts down is told so, and not asked again by an OK in Settings
// that changed no shortcut (here only the notifications): the button beside the line asks again.
TEST_F(PortalShortcuts, ARefusalIsAskedAgainOnlyByTheButtonBesideTheLine) {
    PortalDouble portal({.current = true, .refuseBind = true, .assigned = {}});
    WindowStart start(preferences);
    ASSERT_TRUE(processEventsUntil([&] { return start.desktop->state() == State::refused; }));
    EXPECT_EQ(noteText(start.desktop),
              noteSays("The desktop did not bind the shortcuts: they work only while monctl is in "
                       "front."));
    const auto before = portal.calls().size();
    inSettings(start.shell,
               [](SettingsWindow& settings) { settings.findChild<QCheckBox*>("notify")->click(); });
    EXPECT_EQ(start.desktop->state(), State::refused); // not waiting for a new answer
    clickConfigureButton(start.shell);
    ASSERT_TRUE(processEventsUntil([&] {
        return portal.calls(before).size() >= 4 && start.desktop->state() == State::refused;
    }));
    EXPECT_EQ(portal.calls(before),
              (Calls{"Close", "CreateSession monctl", "ListShortcuts", boundAtFirst}));
}

// Without a portal, without its interface, with a refusal or once it leaves, shortcuts work
// only in front, and the line in Settings says why. An older portal knows monctl without a
// registration; the line names what the desktop bound and, on KDE, where to assign the rest.
TEST_F(PortalShortcuts, TheLineSaysWhatTheDesktopBoundOrWhyShortcutsWorkOnlyInFront) {
    const auto none = loadDesktopBackends().desktopShortcuts;
    EXPECT_EQ(none->whyNull(), "the desktop offers no portal (org.freedesktop.portal.Desktop)");
    EXPECT_EQ(noteText(none), noteSays("Shortcuts work only while monctl is in front."));
    {
        PortalDouble portal({.globalShortcuts = false, .assigned = {}});
        const auto without = loadDesktopBackends().desktopShortcuts;
        EXPECT_TRUE(processEventsUntil([&] { return without->state() == State::gone; }));
        EXPECT_EQ(describeBackend(*without),
                  "none (the desktop's portal has no GlobalShortcuts interface)");
    }
    const std::vector<DesktopShortcuts::Wish> wishes{
        {"fast-refresh", "Fast refresh",
         Shortcut::shortcutWithKeyCode(VirtualKey::d, ModifierFlag::control)}};
    {
        PortalDouble portal({.current = true, .refuseRegistration = true, .assigned = {}});
        const auto refusing = loadDesktopBackends().desktopShortcuts;
        refusing->bind(wishes);
        EXPECT_TRUE(processEventsUntil([&] { return refusing->state() == State::refused; }));
        EXPECT_EQ(noteText(refusing),
                  noteSays("The desktop did not accept monctl's application id and binds no "
                           "shortcuts for it: they work only while monctl is in front."));
        for (const auto* reason :
             {"An app id is required", "No desktop entry for org.monctl.Monctl"})
            EXPECT_NE(refusing->problem().find(reason), std::string::npos) << refusing->problem();
    }
    {
        PortalDouble portal({.listInsteadOfAnswer = true, .assigned = {}});
        const auto leaving = loadDesktopBackends().desktopShortcuts;
        leaving->bind(wishes);
        ASSERT_TRUE(processEventsUntil([&] { return leaving->state() == State::bound; }));
        ASSERT_EQ(leaving->bindings().size(), 1u);
        EXPECT_EQ(leaving->bindings()[0].trigger, "CTRL+D");
        portal.vanish();
        ASSERT_TRUE(processEventsUntil([&] { return leaving->state() == State::gone; }));
        EXPECT_EQ(noteText(leaving), noteSays("Shortcuts work only while monctl is in front."));
    }

    environment.set("XDG_CURRENT_DESKTOP", "KDE");
    PortalDouble portal({.sessionHandleAsString = true,
                         .assigned = {{"contrast-up", "Alt+F9"}, {"contrast-down", ""}}});
    {
        WindowStart start(preferences);
        ASSERT_TRUE(start.bound());
        EXPECT_EQ(portal.calls(), (Calls{"CreateSession monctl", "ListShortcuts", boundAtFirst}));
        EXPECT_EQ(noteText(start.desktop),
                  (ShortcutReachNote::tr(
                       "Bound by the desktop: fast refresh %1, contrast up %2, contrast down %3.")
                       .arg("CTRL+D", "Alt+F9", ShortcutReachNote::tr("none")) +
                   " " +
                   ShortcutReachNote::tr(
                       "Assign the missing ones in System Settings → Shortcuts → monctl."))
                      .toStdString());
        const ShortcutReachNote note(start.desktop, false);
        EXPECT_FALSE(note.configureButton()->isVisibleTo(&note)); // version 1 has no dialog
    }
    EXPECT_TRUE(processEventsUntil([&] { return portal.calls().back() == "Close"; }))
        << "closed at the end of the program";
}
