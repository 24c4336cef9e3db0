// The settings window and its shortcut recorders on a real X server, with a temporary
// preferences file.
#include "windows/SettingsWindow.h"

#include "device/MonitorSimulator.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "shared/MonitorListModel.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/Localization.h"
#include "support/FakeInputSink.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"
#include "windows/AppShell.h"
#include "windows/ControlPanel.h"
#include "windows/ShortcutView.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <optional>

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;

namespace {

// The main window's panel, loaded from the preferences file, and a settings window.
class SettingsWindowTest : public testing::Test {
protected:
    void SetUp() override {
        SerialPortManager::reset();
        SerialPortManager::useRegistry(
            std::make_unique<FixedPathRegistry>(std::vector<std::string>{}));
        ShortcutView::setBeep([this] { ++beeps; });
        useChineseShortcutTexts(false);
    }

    void openPanel() {
        panel = std::make_unique<ControlPanel>(monitorList, preferences(),
                                               std::make_shared<FakeInputSink>());
        panel->load();
    }

    Preferences preferences() const { return Preferences(home.filePath("monctl.conf")); }
    QString caption(const char* name) const { return settings->findChild<QLabel*>(name)->text(); }
    QString button(const char* name) const {
        return settings->findChild<QPushButton*>(name)->text();
    }

    void openSettingsInFront() {
        settings = std::make_unique<SettingsWindow>(preferences(), monitors);
        settings->show();
        other.focus(settings->winId());
        ASSERT_TRUE(
            processEventsUntil([&] { return QApplication::activeWindow() == settings.get(); }));
    }

    QTemporaryDir home;
    MonitorSet monitors;
    MonitorListModel monitorList{monitors};
    std::unique_ptr<ControlPanel> panel;
    std::unique_ptr<SettingsWindow> settings;
    OtherXClient other;
    int beeps = 0;
};

QKeyEvent keyPress(unsigned x11Keycode, Qt::KeyboardModifiers modifiers) {
    return {QEvent::KeyPress, 0, modifiers, x11Keycode, 0, 0};
}

} // namespace

TEST_F(SettingsWindowTest, FirstRunShowsChineseAndOkStoresTheDefaults) {
    openPanel();
    settings = std::make_unique<SettingsWindow>(preferences(), monitors);
    EXPECT_EQ(settings->currentLanguageInfo()->currentText(), "汉语");
    EXPECT_EQ(settings->currentLanguageInfo()->itemText(1), "English");
    EXPECT_EQ(caption("refreshHotKey"), "快速刷新热键");
    EXPECT_EQ(caption("thresholdUp"), "增加:");
    EXPECT_EQ(button("buttonOK"), "生效");
    EXPECT_EQ(button("buttonExit"), "退出");
    for (auto* view : {settings->refreshHotCutView(), settings->thresholdInfocutView(),
                       settings->thresholdDownInfocutView()}) {
        EXPECT_EQ(view->shortcutValue(), std::nullopt) << "nothing set yet";
        EXPECT_EQ(view->title(), "输入快捷键");
    }

    settings->finishViewAction();
    const auto& hotkeys = HotkeyState::shared();
    EXPECT_EQ(hotkeys.RefreshHotkeyKeyCode, 2u);
    EXPECT_EQ(hotkeys.ThresholdInfoHotkeyKeyCode, 32u);
    EXPECT_EQ(hotkeys.ThresholdDownInfoHotkeyKeyCode, 35u);
    EXPECT_EQ(hotkeys.ThresholdDownInfoHotkeyModifierFlags, Flag::control);
    const auto stored = preferences().load();
    EXPECT_EQ(stored.language, 0);
    EXPECT_EQ(stored.refreshKeyCode, 2u);
    EXPECT_EQ(stored.refreshFlags, Flag::control);
    EXPECT_EQ(stored.thresholdKeyCode, 32u);
    EXPECT_EQ(stored.thresholdDownKeyCode, 35u);

    // What the recorders accept is kept: a bare function key, a combination on key code 0.
    settings = std::make_unique<SettingsWindow>(preferences(), monitors);
    settings->refreshHotCutView()->setShortcutValue(Shortcut(VirtualKey::f5, 0));
    settings->thresholdInfocutView()->setShortcutValue(Shortcut(0, Flag::control));
    settings->finishViewAction();
    EXPECT_EQ(hotkeys.RefreshHotkeyKeyCode, VirtualKey::f5);
    EXPECT_EQ(hotkeys.RefreshHotkeyModifierFlags, 0u);
    EXPECT_EQ(preferences().load().thresholdKeyCode, 0u);
    EXPECT_EQ(preferences().load().thresholdFlags, Flag::control);
    EXPECT_EQ(hotkeys.ThresholdDownInfoHotkeyKeyCode, 35u);
    settings = std::make_unique<SettingsWindow>(preferences(), monitors);
    EXPECT_EQ(settings->refreshHotCutView()->shortcutValue(), Shortcut(VirtualKey::f5, 0));
}

TEST_F(SettingsWindowTest, TheKeyboardAloneRecordsAndTheRecordersFollowTheKeysTyped) {
    openPanel();
    changeCurrentLanguage(1);
    openSettingsInFront();
    auto* view = settings->thresholdInfocutView();
    const auto tap = [&](const char* key) {
        other.press(key, true);
        other.press(key, false);
    };
    tap("Tab");
    tap("Tab"); // past the language list and the first recorder
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::focusWidget() == view; }));
    tap("Return");
    ASSERT_TRUE(processEventsUntil([&] { return view->isRecording(); }));
    EXPECT_EQ(view->title(), "Type Shortcut");
    other.press("Shift_L", true);
    other.press("Super_L", true);
    ASSERT_TRUE(processEventsUntil([&] { return view->shortcutPlaceholder() == "Shift+Super+"; }));
    other.press("a", true);
    other.press("a", false);
    other.press("Super_L", false);
    other.press("Shift_L", false);
    ASSERT_TRUE(processEventsUntil([&] { return !view->isRecording(); }));
    EXPECT_EQ(view->shortcutValue(), Shortcut(0, Flag::shift | Flag::command));
    EXPECT_EQ(view->title(), "Shift+Super+A");
    EXPECT_EQ(view->lastAnnouncement(), "Shortcut set");

    // With a value, a modifier pressed and let go leaves the prompt as it was.
    tap("space");
    ASSERT_TRUE(processEventsUntil([&] { return view->isRecording(); }));
    other.press("Control_L", true);
    ASSERT_TRUE(processEventsUntil([&] { return view->title() == "Ctrl+"; }));
    other.press("Control_L", false);
    ASSERT_TRUE(processEventsUntil([&] { return view->title() == "Type New Shortcut"; }));
    tap("a"); // a bare letter: a beep, and recording goes on
    ASSERT_TRUE(processEventsUntil([&] { return beeps == 1; }));
    EXPECT_TRUE(view->isRecording());
    tap("Escape");
    ASSERT_TRUE(processEventsUntil([&] { return !view->isRecording(); }));
    EXPECT_EQ(view->shortcutValue(), Shortcut(0, Flag::shift | Flag::command)) << "kept";

    tap("Return");
    ASSERT_TRUE(processEventsUntil([&] { return view->isRecording(); }));
    tap("BackSpace");
    ASSERT_TRUE(processEventsUntil([&] { return !view->isRecording(); }));
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
    openPanel();
    openSettingsInFront();
    auto* view = settings->refreshHotCutView();
    other.grabControlAltK(); // another program holds Ctrl+Alt+K
    view->setRecording(true);
    view->setShortcutPlaceholder("Ctrl+Alt+");
    QString message;
    QString informative;
    QObject alertWatch; // ends the wait with the test, if no alert ever comes
    QTimer::singleShot(0, &alertWatch, [&] {
        ASSERT_TRUE(processEventsUntil(
            [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }));
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        message = alert->text();
        informative = alert->informativeText();
        alert->button(QMessageBox::Ok)->click();
    });
    // The grab keeps the keys from this window, so the press is handed over directly.
    EXPECT_TRUE(view->handleRecordingKey(keyPress(37 + 8, Qt::ControlModifier | Qt::AltModifier)));
    EXPECT_EQ(message, "组合键Ctrl+Alt+K不能被使用");
    EXPECT_TRUE(informative.startsWith("This combination cannot be used"))
        << informative.toStdString();
    EXPECT_TRUE(informative.endsWith("in the keyboard shortcut settings of your desktop."));
    EXPECT_TRUE(view->isRecording());
    EXPECT_TRUE(view->shortcutPlaceholder().isEmpty());
    EXPECT_EQ(view->shortcutValue(), std::nullopt);
    other.ungrabControlAltK();
}

TEST_F(SettingsWindowTest, ExitKeepsTheShortcutsButNotTheLanguageChoice) {
    StoredSettings stored;
    stored.refreshKeyCode = 15; // R
    stored.refreshFlags = Flag::control | Flag::option;
    stored.thresholdKeyCode = 32;
    stored.thresholdFlags = Flag::control;
    ASSERT_TRUE(preferences().save(stored));
    openPanel();
    settings = std::make_unique<SettingsWindow>(preferences(), monitors);
    EXPECT_EQ(settings->refreshHotCutView()->shortcutValue(),
              Shortcut(15, Flag::control | Flag::option));
    settings->thresholdInfocutView()->setShortcutValue(Shortcut(40, Flag::command));
    settings->currentLanguageInfo()->setCurrentIndex(1);
    settings->setCurrentLanguage();
    EXPECT_EQ(caption("languageSettings"), "Language Settings");
    EXPECT_EQ(panel->findChild<QLabel*>("portTitleInfo")->text(), "Valid Port") << "at once";
    settings->onlyExitView();

    EXPECT_EQ(CurrentLanguage(), 1) << "for the rest of the run";
    EXPECT_EQ(HotkeyState::shared().ThresholdInfoHotkeyKeyCode, 32u);
    EXPECT_EQ(HotkeyState::shared().ThresholdInfoHotkeyModifierFlags, Flag::control);
    EXPECT_EQ(preferences().load().language, 0) << "the next start is in the language saved";
    EXPECT_EQ(preferences().load().thresholdKeyCode, 32u);
}

TEST_F(SettingsWindowTest, AGarbledPreferencesFileGivesDefaultsAndStaysUntilOk) {
    const QByteArray garbage("\x01\xff[General\nlanguage=banana\nrefresh_hot_keycode=\x80\x81\n",
                             45);
    {
        QFile file(home.filePath("monctl.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    openPanel();
    EXPECT_EQ(CurrentLanguage(), 0);
    EXPECT_EQ(HotkeyState::shared().RefreshHotkeyKeyCode, 0u);
    settings = std::make_unique<SettingsWindow>(preferences(), monitors);
    settings->onlyExitView();
    QFile file(home.filePath("monctl.conf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage) << "not written until OK";
    file.close();

    settings = std::make_unique<SettingsWindow>(preferences(), monitors);
    settings->finishViewAction();
    EXPECT_EQ(preferences().load().refreshKeyCode, 2u);
}

// The locale variables as a desktop session sets them; the test program's own come back after.
TEST(FirstStart, FollowsTheDesktopLanguageUntilOneIsStored) {
    struct Locale {
        const char* names[4] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
        std::map<const char*, std::optional<QByteArray>> saved;
        Locale() {
            for (const char* name : names)
                saved[name] =
                    qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
        }
        ~Locale() {
            for (const auto& [name, value] : saved)
                value ? qputenv(name, *value) : qunsetenv(name);
        }
        void set(const char* language, const char* lang) {
            for (const char* name : names)
                qunsetenv(name);
            qputenv("LANGUAGE", language);
            qputenv("LANG", lang);
        }
    } locale;
    QTemporaryDir home;
    const Preferences preferences(home.filePath("monctl.conf"));
    const auto startsIn = [&](const char* language, const char* lang) {
        locale.set(language, lang);
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

TEST(SettingsFlow, EnglishAndControlAltRSurviveARestartAndWorkInTheBackground) {
    MonitorSimulator monitor;
    QTemporaryDir home;
    Preferences preferences(home.filePath("monctl.conf"));
    SerialPortManager::reset();
    SerialPortManager::useRegistry(
        std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
    {
        AppShell shell(*qApp, preferences, loadDesktopBackends());
        QTimer::singleShot(0, [] {
            auto* settings = qobject_cast<SettingsWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(settings, nullptr);
            settings->currentLanguageInfo()->setCurrentIndex(1);
            settings->setCurrentLanguage();
            settings->refreshHotCutView()->setShortcutValue(
                Shortcut(15, Flag::control | Flag::option));
            settings->finishViewAction();
        });
        shell.presentSettings(); // from the Settings button
    }
    // The first run ends: its ports close, as at a process's exit.
    for (const auto& port : SerialPortManager::sharedSerialPortManager().availablePorts()) {
        port->close();
        ASSERT_TRUE(port->waitUntilClosed(std::chrono::seconds(10)));
    }
    changeCurrentLanguage(0);
    HotkeyState::shared() = HotkeyState{};

    AppShell restarted(*qApp, preferences, loadDesktopBackends()); // the next start
    restarted.mainWindow()->show();
    restarted.applicationDidFinishLaunching();
    EXPECT_EQ(restarted.controlPanel()->findChild<QLabel*>("portTitleInfo")->text(), "Valid Port");
    ASSERT_TRUE(processEventsUntil([&] { return restarted.monitors().active() != nullptr; }));
    OtherXClient other;
    other.focusOwnWindow();
    ASSERT_TRUE(processEventsUntil([] { return QApplication::activeWindow() == nullptr; }));
    other.press("Control_L", true);
    other.press("Alt_L", true);
    other.press("r", true);
    other.press("r", false);
    other.press("Alt_L", false);
    other.press("Control_L", false);
    ASSERT_TRUE(processEventsUntil([&] { return monitor.fastRefreshCount() == 1; }));
}
