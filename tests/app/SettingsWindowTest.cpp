// The settings window, its shortcut recorders, presets and desktop settings on a real X server.
#include "app/DesktopPresence.h"
#include "shared/AutostartEntry.h"
#include "shared/PresetSchedule.h"
#include "shared/ScheduledPresets.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/Localization.h"
#include "support/WindowFixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTimeEdit>
#include <QTreeWidget>

using namespace monctl;
using namespace monctl::test;
using Schedule = std::vector<ScheduledPreset>;
namespace Flag = ModifierFlag;

namespace {

class SettingsWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        ShortcutView::setBeep([this] { ++beeps; });
        useChineseShortcutTexts(false);
    }

    SettingsWindow& openSettings() {
        settings = std::make_unique<SettingsWindow>(preferences, monitors);
        return *settings;
    }

    MonitorSet monitors;
    std::unique_ptr<SettingsWindow> settings;
    int beeps = 0;
};

// What GLib's launcher runs for the autostart entry, an argument a line: its field codes
// expanded (there is no file to open), then its shell-like quoting read.
std::string launchedArguments() {
    ChildProcess launcher({"/usr/bin/python3", "-c", R"py(import re, sys
from gi.repository import GLib
entry = GLib.KeyFile()
entry.load_from_file(sys.argv[1], GLib.KeyFileFlags.NONE)
command = entry.get_string("Desktop Entry", "Exec")
command = re.sub("%(.)", lambda code: "%" if code[1] == "%" else "", command)
print("\n".join(GLib.shell_parse_argv(command)[1]))
)py",
                           AutostartEntry::path().toStdString()});
    EXPECT_EQ(launcher.wait(), 0) << launcher.errors();
    return launcher.output();
}

} // namespace

// A bad file gives the defaults (numbers beyond their range are not cut to fit) and stays until
// OK, which stores the defaults and what the views took; Exit keeps the language for the run.
TEST_F(SettingsWindowTest, ABadFileStaysUntilOkStoresWhatTheViewsTookExitOnlyTheLanguage) {
    const auto storedAs = [&](const char* key, const QString& value) {
        QSettings(preferences.path(), QSettings::IniFormat).setValue(key, value);
        return preferences.load();
    };
    EXPECT_EQ(storedAs("fast_refresh_seconds", "4294967297").fastRefreshSeconds, 86400);
    EXPECT_EQ(storedAs("fast_refresh_seconds", "-4294967295").fastRefreshSeconds, 0);
    EXPECT_EQ(storedAs("refresh_hot_keycode", "4294967298").refreshKeyCode, 0u);
    EXPECT_EQ(storedAs("keep_in_tray", "4294967297").keepInTray, 0);
    const QByteArray garbage("\x01\xff[General\nlanguage=banana\nrefresh_hot_keycode=\x80\x81\n",
                             45);
    QFile file(preferences.path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(garbage));
    file.close();
    openShell({});
    EXPECT_EQ(HotkeyState::shared().RefreshHotkeyKeyCode, 0u);
    openSettings().onlyExitView();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage) << "not written until OK";
    for (auto* view : {openSettings().refreshHotCutView(), settings->thresholdInfocutView(),
                       settings->thresholdDownInfocutView()})
        EXPECT_EQ(view->shortcutValue(), std::nullopt) << "nothing set yet";
    EXPECT_TRUE(settings->desktopSettings()->notify()->isChecked()) << "notifications on at first";
    settings->finishViewAction();
    const auto& hotkeys = HotkeyState::shared();
    auto stored = preferences.load();
    EXPECT_EQ(std::tuple(hotkeys.RefreshHotkeyKeyCode, hotkeys.ThresholdInfoHotkeyKeyCode,
                         hotkeys.ThresholdDownInfoHotkeyKeyCode,
                         hotkeys.ThresholdDownInfoHotkeyModifierFlags, stored.language,
                         stored.refreshKeyCode, stored.refreshFlags, stored.thresholdKeyCode,
                         stored.thresholdDownKeyCode),
              std::tuple(2u, 32u, 35u, Flag::control, 0, 2u, Flag::control, 32u, 35u));

    // What the recorders accept is kept: a bare function key, a combination on key code 0.
    openSettings().refreshHotCutView()->setShortcutValue(Shortcut(VirtualKey::f5, 0));
    settings->thresholdInfocutView()->setShortcutValue(Shortcut(0, Flag::control));
    auto* desktop = settings->desktopSettings();
    for (auto* box : {desktop->keepInTray(), desktop->startAtLogin(), desktop->timedRefresh(),
                      desktop->restoreOnPlug()})
        box->setChecked(true);
    desktop->refreshMinutes()->setValue(5);
    desktop->notify()->setChecked(false);
    settings->finishViewAction();
    stored = preferences.load();
    EXPECT_EQ(std::tuple(hotkeys.RefreshHotkeyKeyCode, hotkeys.RefreshHotkeyModifierFlags,
                         hotkeys.ThresholdDownInfoHotkeyKeyCode, stored.thresholdKeyCode,
                         stored.thresholdFlags, stored.keepInTray, stored.startAtLogin,
                         stored.fastRefreshSeconds, stored.notify, stored.restoreOnPlug,
                         QFile::exists(AutostartEntry::path())),
              std::tuple(VirtualKey::f5, 0u, 35u, 0u, Flag::control, 1, 1, 300, 0, 1, true));

    EXPECT_EQ(openSettings().refreshHotCutView()->shortcutValue(), Shortcut(VirtualKey::f5, 0));
    desktop = settings->desktopSettings();
    EXPECT_EQ(std::tuple(desktop->keepInTray()->isChecked(), desktop->restoreOnPlug()->isChecked(),
                         desktop->notify()->isChecked(), desktop->refreshMinutes()->value()),
              std::tuple(true, true, false, 5));
    desktop->startAtLogin()->setChecked(false);
    desktop->timedRefresh()->setChecked(false);
    settings->currentLanguageInfo()->setCurrentIndex(1);
    settings->setCurrentLanguage();
    settings->finishViewAction();
    stored = preferences.load();
    EXPECT_EQ(std::tuple(stored.language, stored.startAtLogin, stored.fastRefreshSeconds,
                         stored.keepInTray, QFile::exists(AutostartEntry::path())),
              std::tuple(1, 0, 0, 1, false));

    // Exit keeps the language for the run, not for the next start, and no shortcut.
    openSettings().thresholdInfocutView()->setShortcutValue(Shortcut(40, Flag::command));
    settings->currentLanguageInfo()->setCurrentIndex(0);
    settings->setCurrentLanguage();
    EXPECT_EQ(settings->findChild<QLabel*>("languageSettings")->text(), "语言设置");
    EXPECT_EQ(panel().findChild<QLabel*>("portTitleInfo")->text(), "有效端口") << "at once";
    settings->onlyExitView();
    stored = preferences.load();
    EXPECT_EQ(std::tuple(CurrentLanguage(), hotkeys.ThresholdInfoHotkeyKeyCode,
                         hotkeys.ThresholdInfoHotkeyModifierFlags, stored.language,
                         stored.thresholdKeyCode),
              std::tuple(0, 0u, Flag::control, 1, 0u));
}

TEST_F(SettingsWindowTest, TheKeyboardAloneRecordsAndARecorderRefusesACombinationTaken) {
    openShell({});
    changeCurrentLanguage(1);
    openSettings().show();
    other.focus(settings->winId());
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == settings.get(); }));
    auto* view = settings->thresholdInfocutView();
    const auto recording = [&](bool on) {
        return processEventsUntil([&] { return view->isRecording() == on; });
    };
    other.type({"Tab"});
    other.type({"Tab"}); // past the language list and the first recorder
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::focusWidget() == view; }));
    other.type({"Return"});
    ASSERT_TRUE(recording(true));
    EXPECT_EQ(view->title(), "Type Shortcut");
    other.press("Shift_L", true);
    other.press("Super_L", true);
    ASSERT_TRUE(processEventsUntil([&] { return view->shortcutPlaceholder() == "Shift+Super+"; }));
    other.type({"a"});
    other.press("Super_L", false);
    other.press("Shift_L", false);
    ASSERT_TRUE(recording(false));
    EXPECT_EQ(view->shortcutValue(), Shortcut(0, Flag::shift | Flag::command));
    EXPECT_EQ(view->title(), "Shift+Super+A");
    EXPECT_EQ(view->lastAnnouncement(), "Shortcut set");

    // With a value, a modifier pressed and let go leaves the prompt as it was.
    other.type({"space"});
    ASSERT_TRUE(recording(true));
    other.press("Control_L", true);
    ASSERT_TRUE(processEventsUntil([&] { return view->title() == "Ctrl+"; }));
    other.press("Control_L", false);
    ASSERT_TRUE(processEventsUntil([&] { return view->title() == "Type New Shortcut"; }));
    other.type({"a"}); // a bare letter: a beep, and recording goes on
    ASSERT_TRUE(processEventsUntil([&] { return beeps == 1; }));
    EXPECT_TRUE(view->isRecording());
    other.type({"Escape"});
    ASSERT_TRUE(recording(false));
    EXPECT_EQ(view->shortcutValue(), Shortcut(0, Flag::shift | Flag::command)) << "kept";

    other.type({"Return"});
    ASSERT_TRUE(recording(true));
    other.type({"BackSpace"});
    ASSERT_TRUE(recording(false));
    EXPECT_EQ(std::tuple(view->shortcutValue(), view->lastAnnouncement(), view->title()),
              std::tuple(std::nullopt, "Shortcut cleared", "Record Shortcut"));

    // Starting on a second recorder stops the first. A combination another program holds is
    // refused with an alert, and recording goes on.
    view->setRecording(true);
    auto* refresh = settings->refreshHotCutView();
    refresh->setRecording(true);
    EXPECT_FALSE(view->isRecording());
    other.grabControlAltK();
    refresh->setShortcutPlaceholder("Ctrl+Alt+");
    QString message;
    onceOpen<QMessageBox>([&](QMessageBox& alert) {
        message = alert.text() + "|" + alert.informativeText();
        alert.button(QMessageBox::Ok)->click();
    });
    // The grab keeps the keys from this window, so the press is handed over directly.
    QKeyEvent press(QEvent::KeyPress, 0, Qt::ControlModifier | Qt::AltModifier, 37 + 8, 0, 0);
    EXPECT_TRUE(refresh->handleRecordingKey(press));
    EXPECT_TRUE(message.contains("Ctrl+Alt+K") &&
                message.endsWith("in the keyboard shortcut settings of your desktop."))
        << message.toStdString();
    EXPECT_TRUE(refresh->isRecording() && refresh->shortcutPlaceholder().isEmpty() &&
                !refresh->shortcutValue());
    other.ungrabControlAltK();
}

// The locale variables as a desktop session sets them; the test program's own come back after.
TEST_F(SettingsWindowTest, AFirstStartFollowsTheDesktopLanguageUntilOneIsStored) {
    environment.unset("LC_ALL");
    environment.unset("LC_MESSAGES");
    const auto startsIn = [&](const char* language, const char* lang) {
        environment.set("LANGUAGE", language);
        environment.set("LANG", lang);
        return preferences.load().language;
    };
    EXPECT_EQ(startsIn("", "zh_CN.UTF-8"), 0);
    EXPECT_EQ(startsIn("", "zh_TW.UTF-8"), 0);
    EXPECT_EQ(startsIn("", "de_DE.UTF-8"), 1);
    EXPECT_EQ(startsIn("zh_CN:en", "en_US.UTF-8"), 0) << "LANGUAGE first, as gettext reads it";
    EXPECT_EQ(startsIn("en_GB", "zh_CN.UTF-8"), 1);
    QSettings(preferences.path(), QSettings::IniFormat).setValue("language", 1);
    EXPECT_EQ(startsIn("", "zh_CN.UTF-8"), 1) << "a stored language wins";
    QSettings(preferences.path(), QSettings::IniFormat).setValue("language", 0);
    EXPECT_EQ(startsIn("", "en_US.UTF-8"), 0);
}

TEST_F(SettingsWindowTest, TheAutostartEntryStartsTheSameProgramWhateverItsPath) {
    for (const QString program :
         {"/usr/bin/monctl", "/opt/my apps/monctl", "/opt/\"quoted\" 'too'/monctl",
          "/opt/back\\slash\\/monctl", "/opt/$HOME/$(id)/monctl", "/opt/`id`/monctl",
          "/opt/pct%f/monctl", "/opt/100%/monctl", "/opt/%%u\\%s/monctl", "monctl"}) {
        ASSERT_EQ(AutostartEntry::write(program), "") << program.toStdString();
        EXPECT_EQ(launchedArguments(), program.toStdString() + "\n--hidden\n");
        ChildProcess validator({"desktop-file-validate", AutostartEntry::path().toStdString()});
        EXPECT_EQ(validator.wait(), 0) << validator.output();
    }
    ASSERT_TRUE(QFile::remove(AutostartEntry::path()));
    for (const QString program :
         {"/opt/a\nExec=/bin/true\n/monctl", "/opt/tab\t/monctl", "/opt/bell\a/monctl"}) {
        EXPECT_NE(AutostartEntry::write(program), "") << "refused";
        EXPECT_FALSE(QFile::exists(AutostartEntry::path())) << "nothing written";
    }
}

TEST_F(SettingsWindowTest, PresetsAreTakenFromTheMonitorAppliedAndScheduled) {
    MonitorSimulator monitor({7, 3, 4}, nullptr);
    usePorts({monitor.devicePath()});
    const PresetStore store(preferences.path());
    ASSERT_TRUE(store.save({"video", {3, 4, 5}}));
    const auto schedule = [&] { return PresetSchedule::load(preferences.path()).events(); };
    changeCurrentLanguage(1);
    auto* presets = openSettings().presets();
    EXPECT_FALSE(presets->addPreset()->isEnabled()) << "no monitor yet";
    monitors.setReadsBack(true);
    monitors.start();
    ASSERT_TRUE(processEventsUntil([&] { return presets->addPreset()->isEnabled(); }));

    presets->presetName()->setText("day/night");
    presets->addPreset()->click();
    EXPECT_FALSE(presets->presetProblem()->text().isEmpty());
    EXPECT_EQ(store.list().size(), 1u) << "nothing stored";
    presets->presetName()->setText("阅读");
    presets->addPreset()->click();
    EXPECT_EQ(presets->presetProblem()->text(), "");
    EXPECT_EQ(store.find("阅读"), (MonitorSettings{7, 3, 4}));
    auto* list = presets->presetList();
    list->setCurrentItem(list->findItems("video", Qt::MatchExactly).value(0));
    presets->applyPreset()->click();
    ASSERT_TRUE(processEventsUntil([&] { return holds(monitor, {3, 4, 5}); }));

    auto* times = settings->schedule();
    times->scheduleTime()->setTime(QTime(7, 30));
    times->schedulePreset()->setCurrentText("阅读");
    times->addEntry()->click();
    EXPECT_EQ(schedule(), (Schedule{{450, "阅读"}}));
    // A `monctl schedule add` made while Settings are open survives the view's add, delete and
    // rename.
    ChildProcess add({MONCTL_PATH, "schedule", "add", "08:00", "video"});
    ASSERT_EQ(add.wait(), 0) << add.errors();
    times->scheduleTime()->setTime(QTime(9, 0));
    times->addEntry()->click();
    times->scheduleList()->setCurrentItem(times->scheduleList()->topLevelItem(2));
    times->deleteEntry()->click();
    EXPECT_EQ(schedule(), (Schedule{{450, "阅读"}, {480, "video"}}));
    list->setCurrentItem(list->findItems("阅读", Qt::MatchExactly).value(0));
    presets->presetName()->setText("reading");
    presets->renamePreset()->click();
    EXPECT_EQ(schedule(), (Schedule{{450, "reading"}, {480, "video"}})) << "the times kept";
    EXPECT_EQ(times->scheduleList()->topLevelItem(0)->text(1), "reading");
}

TEST_F(SettingsWindowTest, TheRunningWindowFollowsTheScheduleAndTheTimedRefreshOfTheFile) {
    MonitorSimulator monitor({7, 3, 4}, nullptr);
    usePorts({monitor.devicePath()});
    ASSERT_TRUE(PresetStore(preferences.path()).save({"video", {3, 4, 5}}));
    QSettings(preferences.path(), QSettings::IniFormat).setValue("fast_refresh_seconds", 1);
    const QDate today(2026, 12, 7);
    QDateTime now(today, QTime(7, 29, 59, 900));
    PrivateSessionBus bus; // the window's notifications stay off the machine's own desktop
    shell = std::make_unique<AppShell>(*qApp, preferences, loadDesktopBackends());
    DesktopPresence presence(*shell, preferences, false, false, [&] { return now; });
    ASSERT_TRUE(processEventsUntil([&] { return shell->monitors().active() != nullptr; }));

    ASSERT_TRUE(PresetSchedule::store(preferences.path(), {450, "video"})); // as the CLI does
    ASSERT_TRUE(processEventsUntil([&] {
        return presence.schedule()->runner().nextCheck() == QDateTime(today, QTime(7, 30));
    }));
    now = QDateTime(today, QTime(7, 30));
    ASSERT_TRUE(processEventsUntil([&] { return holds(monitor, {3, 4, 5}); }));
    EXPECT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() >= 2; }));
}
