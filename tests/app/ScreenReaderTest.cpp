// What a screen reader hears of the main window and the settings: every control a person
// reaches with Tab is named by what it does, in either language. Once in the process, through
// the accessibility interfaces, and once as a screen reader hears the real program, on an
// accessibility bus of the test's own.
#include "shared/CurrentLanguage.h"
#include "support/ChildProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/WindowFixture.h"
#include "windows/ControlPanel.h"
#include "windows/DesktopSettingsView.h"
#include "windows/PresetsView.h"
#include "windows/ScheduleView.h"
#include "windows/SettingsWindow.h"
#include "windows/ShortcutView.h"

#include <QAbstractButton>
#include <QAccessible>
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
#include <QMenuBar>
#include <QTreeWidget>
#include <csignal>
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

QString caption(const QWidget* window, const char* name) {
    return window->findChild<QLabel*>(name)->text();
}

HeardWindow hear(QWidget* window) {
    HeardWindow heard;
    hear(QAccessible::queryAccessibleInterface(window), heard);
    return heard;
}

// Never nothing, never only the value shown, never as another control of the window.
void expectNamedByWhatTheyDo(const std::map<QString, HeardWindow>& windows) {
    for (const auto& [which, window] : windows) {
        EXPECT_FALSE(window.empty()) << which.toStdString();
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
}

// What the control of that name shows, with its role when asked.
QString shownBy(const HeardWindow& window, const QString& name, bool withRole = false) {
    for (const auto& control : window) {
        if (control.name == name)
            return withRole ? control.role + ": " + control.shown : control.shown;
    }
    return "(not heard)";
}

// Every text of the window is shown whole: no control is narrower than it asks to be.
bool fitsItsTexts(const QWidget* window) {
    return processEventsUntil([&] {
        for (const QWidget* control : window->findChildren<QWidget*>()) {
            if ((qobject_cast<const QLabel*>(control) ||
                 qobject_cast<const QAbstractButton*>(control) ||
                 qobject_cast<const QComboBox*>(control) ||
                 qobject_cast<const ShortcutView*>(control)) &&
                control->width() < control->sizeHint().width())
                return false;
        }
        return true;
    });
}

// A monitor, a preset, a schedule entry: every control is enabled.
class ScreenReader : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(home.filePath("monctl")));
        QFile file(preferences.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[presets]\nreading=7, text, 1\n[schedule]\n07%3A30=reading\n");
    }

    MonitorSimulator monitor{{5, 3, 2}, nullptr};
};

} // namespace

// The settings relabel both windows as the language changes, still fit their texts, and every
// control is heard by what it does.
TEST_F(ScreenReader, TheSettingsRelabelRefitAndNameEveryControlOfBothWindowsInBothLanguages) {
    PrivateSessionBus bus; // the window's notifications stay off the machine's own desktop
    openShell({monitor.devicePath()});
    ASSERT_TRUE(settled());
    std::map<QString, HeardWindow> heard;
    QStringList seen;
    QString trayNote;
    QString trayBoxDescription;
    onceOpen<SettingsWindow>([&](SettingsWindow& settings) {
        settings.presets()->presetList()->setCurrentRow(0);
        auto* schedule = settings.schedule()->scheduleList();
        schedule->setCurrentItem(schedule->topLevelItem(0));
        settings.desktopSettings()->timedRefresh()->setChecked(true);
        auto* recorder = settings.thresholdInfocutView();
        recorder->setShortcutValue(Shortcut(32, ModifierFlag::control));
        recorder->setRecording(true);
        EXPECT_TRUE(fitsItsTexts(&settings));
        heard["main, Chinese"] = hear(shell->mainWindow());
        heard["settings, Chinese"] = hear(&settings);
        seen << recorder->title() << caption(&settings, "refreshHotKey");

        choose(settings.currentLanguageInfo(), 1);
        EXPECT_TRUE(fitsItsTexts(&settings)) << "wider in English";
        EXPECT_TRUE(fitsItsTexts(shell->mainWindow()));
        EXPECT_GE(recorder->width(), recorder->fontMetrics().horizontalAdvance(recorder->title()) +
                                         recorder->hintWidth());
        heard["main, English"] = hear(shell->mainWindow());
        heard["settings, English"] = hear(&settings);
        seen << recorder->title() << caption(&settings, "refreshHotKey")
             << caption(shell->controlPanel(), "thresholdTitleInfo")
             << shell->mainWindow()->menuBar()->actions().first()->text();
        const auto* note = settings.desktopSettings()->findChild<QLabel*>("noTray");
        if (!note->isHidden())
            trayNote = note->text();
        trayBoxDescription =
            QAccessible::queryAccessibleInterface(settings.desktopSettings()->keepInTray())
                ->text(QAccessible::Description);

        choose(settings.currentLanguageInfo(), 0);
        EXPECT_TRUE(fitsItsTexts(&settings));
        seen << caption(&settings, "languageSettings") << settings.windowTitle();
        settings.onlyExitView();
    });
    shell->presentSettings();

    EXPECT_EQ(seen, (QStringList{"键入新快捷键", "快速刷新热键", "Type New Shortcut",
                                 "Fast Refresh Hotkey", "Contrast", "&File", "语言设置", "设置"}));
    expectNamedByWhatTheyDo(heard);
    // A first run has no shortcut: each recorder says so, in the language of the moment.
    EXPECT_EQ(shownBy(heard["settings, Chinese"], "快速刷新热键"), "无快捷键");
    EXPECT_EQ(shownBy(heard["settings, English"], "Contrast Down Hotkey"), "no shortcut");
    EXPECT_EQ(shownBy(heard["main, English"], "Contrast"), "5");
    EXPECT_EQ(shownBy(heard["main, Chinese"], "模式"), "图文模式");
    for (const auto* name :
         {"Apply preset", "Delete from the schedule", "Minutes between fast refreshes"})
        EXPECT_NE(shownBy(heard["settings, English"], name), "(not heard)") << name;
    EXPECT_EQ(trayBoxDescription, trayNote) << "the note on a desktop without a tray";
}

// The real program, as a screen reader on the desktop's accessibility bus hears it. Its
// standard output stays empty: what the window has to say goes to the log.
TEST_F(ScreenReader, HearsTheProgramOnTheAccessibilityBus) {
    {
        QFile file(preferences.path());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("[General]\nlanguage=1\nrefresh_hot_keycode=2\n"
                   "refresh_hot_keycode_flags=262144\nfast_refresh_seconds=1800\n");
    }
    PrivateSessionBus bus(std::vector<PrivateSessionBus::Service>{
        {"org.a11y.Bus", "/usr/libexec/at-spi-bus-launcher"}});
    environment.set("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ChildProcess reader({"/usr/bin/python3", MONCTL_HEAR_WINDOWS, "Settings"});
    std::map<QString, HeardWindow> heard;
    for (std::string line; !(line = reader.readLine(std::chrono::seconds(60))).empty();) {
        const auto told = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        for (const auto& control : told["controls"].toArray()) {
            const auto fields = control.toObject();
            heard[told["window"].toString()].push_back(
                {fields["role"].toString(), fields["name"].toString(), fields["shown"].toString()});
        }
    }
    EXPECT_EQ(reader.wait(), 0) << reader.errors();
    window.signal(SIGTERM);
    window.wait();
    EXPECT_EQ(window.output(), "") << window.errors();

    ASSERT_EQ(heard.size(), 2u) << reader.errors();
    expectNamedByWhatTheyDo(heard);
    EXPECT_EQ(shownBy(heard["monctl"], "Contrast", true), "combo box: 5");
    EXPECT_EQ(shownBy(heard["monctl"], "Mode", true), "combo box: Graphic Mode");
    EXPECT_EQ(shownBy(heard["Settings"], "Fast Refresh Hotkey", true), "push button: Ctrl+D");
    EXPECT_EQ(shownBy(heard["Settings"], "Contrast Up Hotkey", true), "push button: no shortcut");
    EXPECT_EQ(shownBy(heard["Settings"], "Add preset", true), "push button: ");
    EXPECT_EQ(shownBy(heard["Settings"], "Add to the schedule", true), "push button: ");
    EXPECT_EQ(shownBy(heard["Settings"], "Minutes between fast refreshes", true),
              "spin button: 30 minutes");
}
