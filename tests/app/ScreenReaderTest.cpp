// What a person meets of the windows' texts, on the screen and through a screen reader.
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenuBar>
#include <csignal>

using namespace monctl;
using namespace monctl::test;

namespace {

// Every text of the window is shown whole: no control is narrower than it asks to be.
bool fitsItsTexts(const QWidget* window) {
    return processEventsUntil([&] {
        return std::ranges::none_of(window->findChildren<QWidget*>(), [](const QWidget* control) {
            return (qobject_cast<const QLabel*>(control) ||
                    qobject_cast<const QAbstractButton*>(control) ||
                    qobject_cast<const QComboBox*>(control) ||
                    qobject_cast<const ShortcutView*>(control)) &&
                   control->width() < control->sizeHint().width();
        });
    });
}

QString caption(const QWidget* window, const char* name) {
    return window->findChild<QLabel*>(name)->text();
}

QString accessible(QWidget* control, QAccessible::Text text = QAccessible::Name) {
    return QAccessible::queryAccessibleInterface(control)->text(text);
}

// A monitor, a preset, a schedule entry: every control is enabled. English, Ctrl+D refreshes,
// a fast refresh every 30 minutes.
class ScreenReader : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(home.filePath("monctl")));
        QFile file(preferences.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[presets]\nreading=7, text, 1\n[schedule]\n07%3A30=reading\n[General]\n"
                   "language=1\nrefresh_hot_keycode=2\nrefresh_hot_keycode_flags=262144\n"
                   "fast_refresh_seconds=1800\n");
    }

    MonitorSimulator monitor{{5, 3, 2}, nullptr};
};

} // namespace

TEST_F(ScreenReader, ALanguageSwitchRelabelsAndRefitsTheMenuTheAboutBoxAndBothWindows) {
    PrivateSessionBus bus; // the window's notifications stay off the machine's own desktop
    openShell({monitor.devicePath()});
    ASSERT_TRUE(settled());
    changeCurrentLanguage(0);
    QStringList seen;
    onceOpen<SettingsWindow>([&](SettingsWindow& settings) {
        auto* recorder = settings.thresholdInfocutView();
        recorder->setShortcutValue(Shortcut(32, ModifierFlag::control));
        recorder->setRecording(true);
        seen << recorder->title() << caption(&settings, "refreshHotKey");
        choose(settings.currentLanguageInfo(), 1);
        EXPECT_TRUE(fitsItsTexts(&settings)) << "wider in English";
        EXPECT_TRUE(fitsItsTexts(shell->mainWindow()));
        EXPECT_GE(recorder->width(), recorder->fontMetrics().horizontalAdvance(recorder->title()) +
                                         recorder->hintWidth());
        seen << recorder->title() << caption(&settings, "refreshHotKey")
             << accessible(settings.thresholdDownInfocutView())
             << accessible(settings.thresholdDownInfocutView(), QAccessible::Value)
             << accessible(panel().modeInfo()) << accessible(settings.presets()->applyPreset())
             << accessible(settings.schedule()->deleteEntry())
             << accessible(settings.desktopSettings()->refreshMinutes());
        const auto* note = settings.desktopSettings()->findChild<QLabel*>("noTray");
        EXPECT_EQ(accessible(settings.desktopSettings()->keepInTray(), QAccessible::Description),
                  note->isHidden() ? "" : note->text())
            << "the note on a desktop without a tray";
        choose(settings.currentLanguageInfo(), 0);
        seen << caption(&settings, "languageSettings") << settings.windowTitle();
        settings.onlyExitView();
    });
    shell->presentSettings();
    EXPECT_EQ(
        seen.join(" | ").toStdString(),
        "键入新快捷键 | 快速刷新热键 | Type New Shortcut | Fast Refresh Hotkey | Contrast Down "
        "Hotkey | no shortcut | Mode | Apply preset | Delete from the schedule | Minutes "
        "between fast refreshes | 语言设置 | 设置");

    QStringList about;
    onceOpen<QMessageBox>([&](QMessageBox& box) {
        EXPECT_FALSE(box.iconPixmap().isNull()) << "the icon, drawn from its SVG";
        EXPECT_TRUE(box.detailedText().startsWith("MIT License")) << "the licence's text";
        about << box.text() << box.button(QMessageBox::Ok)->text();
        changeCurrentLanguage(1); // while the box is open
        about << box.text() << box.button(QMessageBox::Ok)->text();
        box.accept();
    });
    shell->presentAbout();
    ASSERT_EQ(about.size(), 4);
    // The backends in use are named in the window's language; the application in front last.
    EXPECT_TRUE(about[0].contains("\n输入：XTest\n后台快捷键：XInput 2 原始按键事件\n") &&
                about[0].endsWith("\n前台应用：窗口管理器的 _NET_ACTIVE_WINDOW"))
        << about[0].toStdString();
    EXPECT_TRUE(about[2].contains("\ninput: XTest\nbackground shortcuts: XInput 2 raw key "
                                  "events\n"))
        << about[2].toStdString();
    EXPECT_EQ(std::tuple(about[1], about[3]), std::tuple("确定", "OK"));
    QStringList menus;
    for (const QAction* menu : shell->mainWindow()->menuBar()->actions()) {
        menus << menu->text();
        for (const QAction* item : menu->menu()->actions())
            menus << item->text();
    }
    EXPECT_EQ(menus, QStringList({"&File", "&Settings…", "&Quit", "&Help", "&About monctl"}));

    changeCurrentLanguage(2); // only a hand-edited preferences file holds it
    EXPECT_EQ(caption(&panel(), "portTitleInfo"), "Valid Port");
    EXPECT_EQ(ShortcutView().title(), "输入快捷键") << "the recorder is English for 1 only";
    changeCurrentLanguage(0);
    EXPECT_EQ(panel().modeInfo()->currentText(), "图文模式");
    ASSERT_TRUE(focusMainWindow());
    other.type({"Alt_L", "f"});
    EXPECT_TRUE(processEventsUntil(
        [&] { return shell->mainWindow()->menuBar()->actions().first()->menu()->isVisible(); }));
}

// The real program, as a screen reader on the desktop's accessibility bus hears it. Its
// standard output stays empty: what the window has to say goes to the log.
TEST_F(ScreenReader, HearsTheProgramOnTheAccessibilityBus) {
    PrivateSessionBus bus(std::vector<PrivateSessionBus::Service>{
        {"org.a11y.Bus", "/usr/libexec/at-spi-bus-launcher"}});
    environment.set("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ChildProcess reader({"/usr/bin/python3", MONCTL_HEAR_WINDOWS, "Settings"});
    // Each control named, never only by the value it shows, never as another of its window.
    std::map<QString, std::map<QString, QString>> heard; // window, name: "role: what it shows"
    for (std::string line; !(line = reader.readLine(std::chrono::seconds(60))).empty();) {
        const auto told = QJsonDocument::fromJson(QByteArray::fromStdString(line)).array();
        const auto name = told[2].toString();
        const auto where = told[1].toString() + ": " + told[3].toString();
        EXPECT_FALSE(name.trimmed().isEmpty() || name == told[3].toString()) << where.toStdString();
        EXPECT_TRUE(heard[told[0].toString()].emplace(name, where).second)
            << name.toStdString() << ", as another one";
    }
    EXPECT_EQ(reader.wait(), 0) << reader.errors();
    window.signal(SIGTERM);
    window.wait();
    EXPECT_EQ(window.output(), "") << window.errors();

    ASSERT_EQ(heard.size(), 2u) << reader.errors();
    EXPECT_EQ(heard["monctl"]["Contrast"], "combo box: 5");
    EXPECT_EQ(heard["monctl"]["Mode"], "combo box: Graphic Mode");
    EXPECT_EQ(heard["Settings"]["Fast Refresh Hotkey"], "push button: Ctrl+D");
    EXPECT_EQ(heard["Settings"]["Contrast Up Hotkey"], "push button: no shortcut");
    EXPECT_EQ(heard["Settings"]["Add preset"], "push button: ");
    EXPECT_EQ(heard["Settings"]["Add to the schedule"], "push button: ");
    EXPECT_EQ(heard["Settings"]["Minutes between fast refreshes"], "spin button: 30 minutes");
}
