// The settings window and its shortcut recorders on a real X server, with a temporary
// preferences file.
#include "windows/SettingsWindow.h"

#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/Localization.h"
#include "support/WindowFixture.h"
#include "windows/ControlPanel.h"
#include "windows/ShortcutView.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;

namespace {

// The main window, loaded from the preferences file, and a settings window.
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
    void openSettingsInFront() {
        openSettings().show();
        other.focus(settings->winId());
        ASSERT_TRUE(
            processEventsUntil([&] { return QApplication::activeWindow() == settings.get(); }));
    }

    MonitorSet monitors;
    std::unique_ptr<SettingsWindow> settings;
    int beeps = 0;
};

} // namespace

TEST_F(SettingsWindowTest, OkStoresTheDefaultsAndWhatTheRecordersTookExitOnlyTheLanguage) {
    openShell({});
    for (auto* view : {openSettings().refreshHotCutView(), settings->thresholdInfocutView(),
                       settings->thresholdDownInfocutView()})
        EXPECT_EQ(view->shortcutValue(), std::nullopt) << "nothing set yet";
    settings->finishViewAction();
    const auto& hotkeys = HotkeyState::shared();
    EXPECT_EQ(std::tuple(hotkeys.RefreshHotkeyKeyCode, hotkeys.ThresholdInfoHotkeyKeyCode,
                         hotkeys.ThresholdDownInfoHotkeyKeyCode,
                         hotkeys.ThresholdDownInfoHotkeyModifierFlags),
              std::tuple(2u, 32u, 35u, Flag::control));
    auto stored = preferences.load();
    EXPECT_EQ(std::tuple(stored.language, stored.refreshKeyCode, stored.refreshFlags,
                         stored.thresholdKeyCode, stored.thresholdDownKeyCode),
              std::tuple(0, 2u, Flag::control, 32u, 35u));

    // What the recorders accept is kept: a bare function key, a combination on key code 0.
    openSettings().refreshHotCutView()->setShortcutValue(Shortcut(VirtualKey::f5, 0));
    settings->thresholdInfocutView()->setShortcutValue(Shortcut(0, Flag::control));
    settings->finishViewAction();
    EXPECT_EQ(std::tuple(hotkeys.RefreshHotkeyKeyCode, hotkeys.RefreshHotkeyModifierFlags,
                         hotkeys.ThresholdDownInfoHotkeyKeyCode),
              std::tuple(VirtualKey::f5, 0u, 35u));
    stored = preferences.load();
    EXPECT_EQ(std::tuple(stored.thresholdKeyCode, stored.thresholdFlags),
              std::tuple(0u, Flag::control));
    EXPECT_EQ(openSettings().refreshHotCutView()->shortcutValue(), Shortcut(VirtualKey::f5, 0));

    // Exit keeps the language for the run, not for the next start, and no shortcut.
    settings->thresholdInfocutView()->setShortcutValue(Shortcut(40, Flag::command));
    settings->currentLanguageInfo()->setCurrentIndex(1);
    settings->setCurrentLanguage();
    EXPECT_EQ(settings->findChild<QLabel*>("languageSettings")->text(), "Language Settings");
    EXPECT_EQ(panel().findChild<QLabel*>("portTitleInfo")->text(), "Valid Port") << "at once";
    settings->onlyExitView();
    EXPECT_EQ(CurrentLanguage(), 1);
    EXPECT_EQ(
        std::tuple(hotkeys.ThresholdInfoHotkeyKeyCode, hotkeys.ThresholdInfoHotkeyModifierFlags),
        std::tuple(0u, Flag::control));
    EXPECT_EQ(preferences.load().language, 0);
    EXPECT_EQ(preferences.load().thresholdKeyCode, 0u);
}

TEST_F(SettingsWindowTest, TheKeyboardAloneRecordsAndTheRecordersFollowTheKeysTyped) {
    openShell({});
    changeCurrentLanguage(1);
    openSettingsInFront();
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
    EXPECT_EQ(view->shortcutValue(), std::nullopt);
    EXPECT_EQ(view->lastAnnouncement(), "Shortcut cleared");
    EXPECT_EQ(view->title(), "Record Shortcut");

    // Starting on a second recorder stops the first.
    view->setRecording(true);
    settings->refreshHotCutView()->setRecording(true);
    EXPECT_FALSE(view->isRecording());
    EXPECT_TRUE(settings->refreshHotCutView()->isRecording());
}

TEST_F(SettingsWindowTest, ACombinationTakenElsewhereIsRefusedWithAnAlert) {
    openShell({});
    openSettingsInFront();
    auto* view = settings->refreshHotCutView();
    other.grabControlAltK(); // another program holds Ctrl+Alt+K
    view->setRecording(true);
    view->setShortcutPlaceholder("Ctrl+Alt+");
    QString message;
    QObject alertWatch; // ends the wait with the test, if no alert ever comes
    QTimer::singleShot(0, &alertWatch, [&] {
        ASSERT_TRUE(processEventsUntil(
            [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }));
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        message = alert->text() + "|" + alert->informativeText();
        alert->button(QMessageBox::Ok)->click();
    });
    // The grab keeps the keys from this window, so the press is handed over directly.
    QKeyEvent press(QEvent::KeyPress, 0, Qt::ControlModifier | Qt::AltModifier, 37 + 8, 0, 0);
    EXPECT_TRUE(view->handleRecordingKey(press));
    EXPECT_TRUE(message.contains("Ctrl+Alt+K") &&
                message.endsWith("in the keyboard shortcut settings of your desktop."))
        << message.toStdString();
    EXPECT_TRUE(view->isRecording());
    EXPECT_TRUE(view->shortcutPlaceholder().isEmpty());
    EXPECT_EQ(view->shortcutValue(), std::nullopt);
    other.ungrabControlAltK();
}

TEST_F(SettingsWindowTest, AGarbledPreferencesFileGivesDefaultsAndStaysUntilOk) {
    const QByteArray garbage("\x01\xff[General\nlanguage=banana\nrefresh_hot_keycode=\x80\x81\n",
                             45);
    QFile file(preferences.path());
    const auto holds = [&](const QByteArray& bytes) {
        file.close();
        return file.open(QIODevice::ReadWrite) && file.readAll() == bytes;
    };
    ASSERT_TRUE(QDir().mkpath(home.filePath("monctl")) && holds("") && file.write(garbage));
    openShell({});
    EXPECT_EQ(CurrentLanguage(), 0);
    EXPECT_EQ(HotkeyState::shared().RefreshHotkeyKeyCode, 0u);
    openSettings().onlyExitView();
    EXPECT_TRUE(holds(garbage)) << "not written until OK";
    openSettings().finishViewAction();
    EXPECT_EQ(preferences.load().refreshKeyCode, 2u);
}

// The locale variables as a desktop session sets them; the test program's own come back after.
TEST_F(SettingsWindowTest, AFirstStartFollowsTheDesktopLanguageUntilOneIsStored) {
    const auto startsIn = [&](const char* language, const char* lang) {
        environment.unset("LC_ALL");
        environment.unset("LC_MESSAGES");
        environment.set("LANGUAGE", language);
        environment.set("LANG", lang);
        return preferences.load().language;
    };
    EXPECT_EQ(startsIn("", "zh_CN.UTF-8"), 0);
    EXPECT_EQ(startsIn("", "zh_TW.UTF-8"), 0);
    EXPECT_EQ(startsIn("", "de_DE.UTF-8"), 1);
    EXPECT_EQ(startsIn("zh_CN:en", "en_US.UTF-8"), 0) << "LANGUAGE first, as gettext reads it";
    EXPECT_EQ(startsIn("en_GB", "zh_CN.UTF-8"), 1);
    StoredSettings stored;
    stored.language = 1;
    ASSERT_TRUE(preferences.save(stored));
    EXPECT_EQ(startsIn("", "zh_CN.UTF-8"), 1) << "a stored language wins";
    stored.language = 0;
    ASSERT_TRUE(preferences.save(stored));
    EXPECT_EQ(startsIn("", "en_US.UTF-8"), 0);
}

TEST_F(SettingsWindowTest, EnglishAndControlAltRSurviveARestartAndWorkInTheBackground) {
    MonitorSimulator monitor;
    openShell({monitor.devicePath()});
    onceOpen<SettingsWindow>([](SettingsWindow& window) {
        window.currentLanguageInfo()->setCurrentIndex(1);
        window.setCurrentLanguage();
        window.refreshHotCutView()->setShortcutValue(Shortcut(15, Flag::control | Flag::option));
        window.finishViewAction();
    });
    shell->presentSettings(); // from the Settings button
    shell.reset();
    // The first run ends: its ports close, as at a process's exit.
    for (const auto& port : SerialPortManager::sharedSerialPortManager().availablePorts()) {
        port->close();
        ASSERT_TRUE(port->waitUntilClosed(std::chrono::seconds(10)));
    }
    changeCurrentLanguage(0);
    HotkeyState::shared() = HotkeyState{};

    openShell({monitor.devicePath()}).applicationDidFinishLaunching(); // the next start
    EXPECT_EQ(panel().findChild<QLabel*>("portTitleInfo")->text(), "Valid Port");
    ASSERT_TRUE(processEventsUntil([&] { return shell->monitors().active() != nullptr; }));
    other.focusOwnWindow();
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    other.type({"Control_L", "Alt_L", "r"});
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 1; }));
}
