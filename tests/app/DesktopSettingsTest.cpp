// The settings of monctl on the desktop: kept with OK, the autostart entry, numbers in range.
#include "monitor/MonitorSet.h"
#include "shared/AutostartEntry.h"
#include "support/ChildProcess.h"
#include "support/WindowFixture.h"
#include "windows/DesktopSettingsView.h"
#include "windows/SettingsWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QSettings>
#include <QSpinBox>

using namespace monctl;
using namespace monctl::test;

namespace {

using DesktopSettings = WindowFixture;

// The arguments a launcher runs for an Exec value: the string's escapes, then quoted arguments
// with their backslash escapes, `%%` as `%`, and any other field code gone, as it is with no
// file to open.
QStringList execArguments(const QString& value) {
    QString text;
    for (qsizetype at = 0; at < value.size(); ++at) {
        const QString escapes = "sntr\\";
        if (value[at] == '\\' && at + 1 < value.size() && escapes.contains(value[at + 1]))
            text += QString(" \n\t\r\\")[escapes.indexOf(value[++at])];
        else
            text += value[at];
    }
    QStringList arguments;
    QString argument;
    bool quoted = false;
    bool started = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar character = text[at];
        if (quoted && character == '\\' && at + 1 < text.size()) {
            argument += text[++at];
        } else if (character == '"') {
            quoted = !quoted;
            started = true;
        } else if (character == '%' && at + 1 < text.size()) {
            if (text[++at] == '%')
                argument += '%';
        } else if (character == ' ' && !quoted) {
            if (started)
                arguments.append(argument);
            argument.clear();
            started = false;
        } else {
            argument += character;
            started = true;
        }
    }
    if (started)
        arguments.append(argument);
    return arguments;
}

QStringList execLines() {
    QFile entry(AutostartEntry::path());
    QStringList lines;
    if (entry.open(QIODevice::ReadOnly)) {
        for (const auto& line : QString::fromUtf8(entry.readAll()).split('\n')) {
            if (line.startsWith("Exec="))
                lines.append(line.mid(5));
        }
    }
    return lines;
}

} // namespace

TEST_F(DesktopSettings, OkKeepsThemAndWritesOrRemovesTheAutostartEntry) {
    MonitorSet monitors;
    auto settings = std::make_unique<SettingsWindow>(preferences, monitors);
    auto* view = settings->desktopSettings();
    EXPECT_TRUE(view->notify()->isChecked()) << "notifications on at first";
    view->keepInTray()->setChecked(true);
    view->startAtLogin()->setChecked(true);
    view->timedRefresh()->setChecked(true);
    view->refreshMinutes()->setValue(5);
    view->notify()->setChecked(false);
    view->restoreOnPlug()->setChecked(true);
    settings->finishViewAction();
    const auto stored = preferences.load();
    EXPECT_EQ(std::tuple(stored.keepInTray, stored.startAtLogin, stored.fastRefreshSeconds,
                         stored.notify, stored.restoreOnPlug),
              std::tuple(1, 1, 300, 0, 1));
    const auto entry = home.filePath("autostart/org.monctl.Monctl.desktop");
    EXPECT_EQ(execLines().size(), 1);
    EXPECT_TRUE(QFile::exists(entry));

    settings = std::make_unique<SettingsWindow>(preferences, monitors);
    view = settings->desktopSettings();
    EXPECT_TRUE(view->keepInTray()->isChecked() && view->restoreOnPlug()->isChecked());
    EXPECT_EQ(view->refreshMinutes()->value(), 5);
    EXPECT_FALSE(view->notify()->isChecked());
    view->startAtLogin()->setChecked(false);
    view->timedRefresh()->setChecked(false);
    settings->finishViewAction();
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_EQ(std::tuple(preferences.load().startAtLogin, preferences.load().fastRefreshSeconds,
                         preferences.load().keepInTray),
              std::tuple(0, 0, 1));
}

TEST_F(DesktopSettings, TheAutostartEntryStartsTheSameProgramWhateverItsPath) {
    for (const QString program :
         {"/usr/bin/monctl", "/opt/my apps/monctl", "/opt/\"quoted\" 'too'/monctl",
          "/opt/back\\slash\\/monctl", "/opt/$HOME/$(id)/monctl", "/opt/`id`/monctl",
          "/opt/pct%f/monctl", "/opt/100%/monctl", "/opt/%%u\\%s/monctl"}) {
        ASSERT_EQ(AutostartEntry::write(program), "") << program.toStdString();
        const auto lines = execLines();
        ASSERT_EQ(lines.size(), 1) << program.toStdString();
        EXPECT_EQ(execArguments(lines[0]), QStringList({program, "--hidden"}))
            << lines[0].toStdString();
        ChildProcess validator({"desktop-file-validate", AutostartEntry::path().toStdString()});
        EXPECT_EQ(validator.wait(), 0) << validator.output();
    }
    ASSERT_EQ(AutostartEntry::write("monctl"), "");
    EXPECT_EQ(execLines(), QStringList{"monctl --hidden"}) << "as typed";

    ASSERT_TRUE(QFile::remove(AutostartEntry::path()));
    for (const QString program :
         {"/opt/a\nExec=/bin/true\n/monctl", "/opt/tab\t/monctl", "/opt/bell\a/monctl"}) {
        EXPECT_NE(AutostartEntry::write(program), "") << "refused";
        EXPECT_FALSE(QFile::exists(AutostartEntry::path())) << "nothing written";
    }
}

TEST_F(DesktopSettings, NumbersBeyondTheirRangeAreNotCutToFit) {
    const auto storedAs = [&](const char* key, const QString& value) {
        QSettings(preferences.path(), QSettings::IniFormat).setValue(key, value);
        return preferences.load();
    };
    EXPECT_EQ(storedAs("fast_refresh_seconds", "4294967297").fastRefreshSeconds, 86400);
    EXPECT_EQ(storedAs("fast_refresh_seconds", "-4294967295").fastRefreshSeconds, 0);
    EXPECT_EQ(storedAs("fast_refresh_seconds", "600").fastRefreshSeconds, 600);
    EXPECT_EQ(storedAs("refresh_hot_keycode", "4294967298").refreshKeyCode, 0u);
    EXPECT_EQ(storedAs("keep_in_tray", "4294967297").keepInTray, 0);
}
