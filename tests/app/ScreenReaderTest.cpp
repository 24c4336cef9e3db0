// What a screen reader hears of the main window and the settings: every control a person
// reaches with Tab is named by what it does, in either language. Once in the process, through
// the accessibility interfaces, and once as a screen reader hears the real program, on an
// accessibility bus of the test's own.
#include "device/MonitorSimulator.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/PrivateSessionBus.h"
#include "windows/AppShell.h"
#include "windows/ControlPanel.h"
#include "windows/DesktopSettingsView.h"
#include "windows/PresetsView.h"
#include "windows/ScheduleView.h"
#include "windows/SettingsWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <gtest/gtest.h>
#include <set>

using namespace monctl;
using namespace monctl::test;

namespace {

struct Heard {
    QString role;
    QString name;
    QString shown; // the value it shows
};

using HeardWindow = std::vector<Heard>;

void hear(QAccessibleInterface* node, HeardWindow& heard) {
    const auto state = node->state();
    if (state.invisible)
        return;
    // Entries of lists and tables have no widget: they are what a control holds.
    // A list or a table shows entries, not one value (Qt answers its name for it).
    if (qobject_cast<QWidget*>(node->object()) && state.focusable && !state.disabled)
        heard.push_back({QString::number(node->role(), 16), node->text(QAccessible::Name),
                         node->tableInterface() ? QString() : node->text(QAccessible::Value)});
    for (int i = 0; i < node->childCount(); ++i) {
        if (auto* child = node->child(i))
            hear(child, heard);
    }
}

HeardWindow hear(QWidget* window) {
    HeardWindow heard;
    hear(QAccessible::queryAccessibleInterface(window), heard);
    return heard;
}

QStringList namesOf(const HeardWindow& window) {
    QStringList names;
    for (const auto& control : window)
        names << control.name;
    return names;
}

// Never nothing, never only the value shown, never as another control of the window.
void expectNamedByWhatTheyDo(const HeardWindow& window, const QString& which) {
    ASSERT_FALSE(window.empty()) << which.toStdString();
    std::set<QString> names;
    for (const auto& control : window) {
        const auto where = (which + ": a control of role " + control.role + " showing \"" +
                            control.shown + "\", named \"" + control.name + "\"")
                               .toStdString();
        EXPECT_FALSE(control.name.trimmed().isEmpty()) << where;
        EXPECT_NE(control.name.toStdString(), control.shown.toStdString()) << where;
        EXPECT_TRUE(names.insert(control.name).second) << where << ", as another one";
    }
}

// A second monitor of this file's own, a preset, a schedule entry: every control is enabled.
class ScreenReader : public testing::Test {
protected:
    void SetUp() override {
        SerialPortManager::reset();
        SerialPortManager::useRegistry(
            std::make_unique<FixedPathRegistry>(std::vector<std::string>{monitor.devicePath()}));
        ASSERT_TRUE(QDir().mkpath(home.filePath("monctl")));
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[presets]\nreading=7, text, 1\n[schedule]\n07%3A30=reading\n");
    }

    QString path() const { return home.filePath("monctl/monctl.conf"); }

    MonitorSimulator monitor{{5, 3, 2}, nullptr};
    QTemporaryDir home;
};

} // namespace

TEST_F(ScreenReader, NamesEveryControlOfBothWindowsInBothLanguages) {
    changeCurrentLanguage(0);
    PrivateSessionBus bus; // the window's notifications stay off the machine's own desktop
    AppShell shell(*qApp, Preferences(path()), loadDesktopBackends());
    shell.mainWindow()->show();
    ASSERT_TRUE(processEventsUntil([&] { return shell.controlPanel()->speedInfo()->isEnabled(); }));

    std::map<QString, HeardWindow> heard;
    QString trayNote;
    QString trayBoxDescription;
    QTimer::singleShot(0, [&] {
        auto* settings = qobject_cast<SettingsWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(settings, nullptr);
        settings->presets()->presetList()->setCurrentRow(0);
        auto* schedule = settings->schedule()->scheduleList();
        schedule->setCurrentItem(schedule->topLevelItem(0));
        settings->desktopSettings()->findChild<QCheckBox*>("timedRefresh")->setChecked(true);
        heard["main, Chinese"] = hear(shell.mainWindow());
        heard["settings, Chinese"] = hear(settings);
        settings->currentLanguageInfo()->setCurrentIndex(1);
        Q_EMIT settings->currentLanguageInfo()->activated(1);
        heard["main, English"] = hear(shell.mainWindow());
        heard["settings, English"] = hear(settings);
        const auto* note = settings->desktopSettings()->findChild<QLabel*>("noTray");
        if (!note->isHidden())
            trayNote = note->text();
        trayBoxDescription = QAccessible::queryAccessibleInterface(
                                 settings->desktopSettings()->findChild<QCheckBox*>("keepInTray"))
                                 ->text(QAccessible::Description);
        settings->onlyExitView();
    });
    shell.presentSettings();

    for (const auto& [which, window] : heard)
        expectNamedByWhatTheyDo(window, which);
    const auto contains = [](const HeardWindow& window, const QStringList& names) {
        const auto all = namesOf(window);
        return std::all_of(names.begin(), names.end(),
                           [&](const QString& name) { return all.contains(name); });
    };
    EXPECT_TRUE(contains(heard["main, Chinese"], {"有效端口", "对比度", "模式", "速度"}))
        << namesOf(heard["main, Chinese"]).join(", ").toStdString();
    EXPECT_TRUE(contains(heard["main, English"], {"Valid Port", "Contrast", "Mode", "Speed"}))
        << namesOf(heard["main, English"]).join(", ").toStdString();
    EXPECT_TRUE(contains(heard["settings, Chinese"],
                         {"语言设置", "快速刷新热键", "对比度增加热键", "对比度减小热键",
                          "添加预设", "添加到定时计划", "预设", "定时计划"}))
        << namesOf(heard["settings, Chinese"]).join(", ").toStdString();
    EXPECT_TRUE(contains(heard["settings, English"],
                         {"Language Settings", "Fast Refresh Hotkey", "Contrast Up Hotkey",
                          "Contrast Down Hotkey", "Add preset", "Add to the schedule", "Presets",
                          "Schedule", "Minutes between fast refreshes"}))
        << namesOf(heard["settings, English"]).join(", ").toStdString();
    // A first run has no shortcut: each recorder says so, in the language of the moment.
    const auto shownBy = [&](const QString& which, const QString& name) {
        for (const auto& control : heard[which]) {
            if (control.name == name)
                return control.shown;
        }
        return QString("(not heard)");
    };
    EXPECT_EQ(shownBy("settings, Chinese", "快速刷新热键"), "无快捷键");
    EXPECT_EQ(shownBy("settings, English", "Contrast Down Hotkey"), "no shortcut");
    EXPECT_EQ(shownBy("main, English", "Contrast"), "5");
    EXPECT_EQ(shownBy("main, Chinese", "模式"), "图文模式");
    EXPECT_EQ(trayBoxDescription, trayNote) << "the note on a desktop without a tray";
}

// The real program, as a screen reader on the desktop's accessibility bus hears it. Its
// standard output stays empty: what the window has to say goes to the log.
TEST_F(ScreenReader, HearsTheProgramOnTheAccessibilityBus) {
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("[General]\nlanguage=1\nrefresh_hot_keycode=2\n"
                   "refresh_hot_keycode_flags=262144\nfast_refresh_seconds=1800\n");
    }
    PrivateSessionBus bus(std::vector<PrivateSessionBus::Service>{
        {"org.a11y.Bus", "/usr/libexec/at-spi-bus-launcher"}});
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", home.path().toStdString());
    environment.set("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ChildProcess reader({"/usr/bin/python3", MONCTL_HEAR_WINDOWS, "Settings"});
    std::map<QString, HeardWindow> heard;
    for (std::string line; !(line = reader.readLine(std::chrono::seconds(60))).empty();) {
        const auto told = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        auto& controls = heard[told["window"].toString()];
        for (const auto& control : told["controls"].toArray()) {
            const auto heardControl = control.toObject();
            controls.push_back({heardControl["role"].toString(), heardControl["name"].toString(),
                                heardControl["shown"].toString()});
        }
    }
    EXPECT_EQ(reader.wait(), 0) << reader.errors();
    window.signal(SIGTERM);
    window.wait();
    EXPECT_EQ(window.output(), "") << window.errors();

    ASSERT_EQ(heard.size(), 2u) << reader.errors();
    for (const auto& [which, controls] : heard)
        expectNamedByWhatTheyDo(controls, which);
    const auto named = [&](const char* which, const QString& name) {
        for (const auto& control : heard[which]) {
            if (control.name == name)
                return control.role + ": " + control.shown;
        }
        return QString("(not heard)");
    };
    EXPECT_EQ(named("monctl", "Contrast"), "combo box: 5");
    EXPECT_EQ(named("monctl", "Mode"), "combo box: Graphic Mode");
    EXPECT_EQ(named("Settings", "Fast Refresh Hotkey"), "push button: Ctrl+D");
    EXPECT_EQ(named("Settings", "Contrast Up Hotkey"), "push button: no shortcut");
    EXPECT_EQ(named("Settings", "Add preset"), "push button: ");
    EXPECT_EQ(named("Settings", "Add to the schedule"), "push button: ");
    EXPECT_EQ(named("Settings", "Minutes between fast refreshes"), "spin button: 30 minutes");
}
