// The settings of monctl on the desktop: kept with OK, the autostart entry, the timed refresh.
#include "device/MonitorSimulator.h"
#include "monitor/MonitorSet.h"
#include "shared/AutostartEntry.h"
#include "support/ChildProcess.h"
#include "windows/DesktopSettingsView.h"
#include "windows/SettingsWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QMap>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

TEST(DesktopSettings, OkKeepsThemAndWritesOrRemovesTheAutostartEntry) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    const Preferences preferences(home.filePath("monctl/monctl.conf"));
    MonitorSet monitors;
    auto settings = std::make_unique<SettingsWindow>(preferences, monitors);
    auto* view = settings->desktopSettings();
    EXPECT_FALSE(view->keepInTray()->isChecked());
    EXPECT_FALSE(view->startAtLogin()->isChecked());
    EXPECT_FALSE(view->timedRefresh()->isChecked()) << "all off at first";
    EXPECT_FALSE(view->restoreOnPlug()->isChecked());
    EXPECT_TRUE(view->notify()->isChecked()) << "but notifications";
    view->keepInTray()->setChecked(true);
    view->startAtLogin()->setChecked(true);
    view->timedRefresh()->setChecked(true);
    view->refreshMinutes()->setValue(5);
    view->notify()->setChecked(false);
    view->restoreOnPlug()->setChecked(true);
    settings->finishViewAction();

    auto stored = preferences.load();
    EXPECT_EQ(stored.keepInTray, 1);
    EXPECT_EQ(stored.startAtLogin, 1);
    EXPECT_EQ(stored.fastRefreshSeconds, 300);
    EXPECT_EQ(stored.notify, 0);
    EXPECT_EQ(stored.restoreOnPlug, 1);
    QFile entry(home.filePath("autostart/org.monctl.Monctl.desktop"));
    EXPECT_EQ(AutostartEntry::path(), entry.fileName());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const auto text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n")) << text.toStdString();
    EXPECT_TRUE(text.contains(" --hidden\n")) << text.toStdString();

    settings = std::make_unique<SettingsWindow>(preferences, monitors);
    view = settings->desktopSettings();
    EXPECT_TRUE(view->keepInTray()->isChecked());
    EXPECT_EQ(view->refreshMinutes()->value(), 5);
    EXPECT_FALSE(view->notify()->isChecked());
    EXPECT_TRUE(view->restoreOnPlug()->isChecked());
    view->startAtLogin()->setChecked(false);
    view->timedRefresh()->setChecked(false);
    settings->finishViewAction();
    EXPECT_FALSE(entry.exists());
    stored = preferences.load();
    EXPECT_EQ(stored.startAtLogin, 0);
    EXPECT_EQ(stored.fastRefreshSeconds, 0);
    EXPECT_EQ(stored.keepInTray, 1);
}

namespace {

// A desktop entry's string value without its escapes.
QString unescapedValue(const QString& value) {
    const QMap<QChar, QChar> escapes{
        {'s', ' '}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'\\', '\\'}};
    QString text;
    for (qsizetype at = 0; at < value.size(); ++at) {
        if (value[at] == '\\' && at + 1 < value.size() && escapes.contains(value[at + 1]))
            text += escapes[value[++at]];
        else
            text += value[at];
    }
    return text;
}

// The arguments a launcher runs for an Exec value: quoted arguments with their backslash
// escapes, `%%` as `%`, and any other field code gone, as it is with no file to open.
QStringList execArguments(const QString& value) {
    const auto text = unescapedValue(value);
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

QStringList execLines(const QString& entryPath) {
    QFile entry(entryPath);
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const auto& line : QString::fromUtf8(entry.readAll()).split('\n')) {
        if (line.startsWith("Exec="))
            lines.append(line.mid(5));
    }
    return lines;
}

} // namespace

TEST(DesktopSettings, TheAutostartEntryStartsTheSameProgramWhateverItsPath) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    for (const QString program :
         {"/usr/bin/monctl", "/opt/my apps/monctl", "/opt/\"quoted\" 'too'/monctl",
          "/opt/back\\slash\\/monctl", "/opt/$HOME/$(id)/monctl", "/opt/`id`/monctl",
          "/opt/pct%f/monctl", "/opt/100%/monctl", "/opt/%%u\\%s/monctl"}) {
        ASSERT_EQ(AutostartEntry::write(program), "") << program.toStdString();
        const auto lines = execLines(AutostartEntry::path());
        ASSERT_EQ(lines.size(), 1) << program.toStdString();
        EXPECT_EQ(execArguments(lines[0]), QStringList({program, "--hidden"}))
            << lines[0].toStdString();
        ChildProcess validator({"desktop-file-validate", AutostartEntry::path().toStdString()});
        EXPECT_EQ(validator.wait(), 0) << validator.output();
    }
    ASSERT_EQ(AutostartEntry::write("monctl"), "");
    EXPECT_EQ(execLines(AutostartEntry::path()), QStringList{"monctl --hidden"}) << "as typed";

    ASSERT_TRUE(QFile::remove(AutostartEntry::path()));
    for (const QString& program : QStringList{"/opt/a\nExec=/bin/true\n/monctl",
                                              "/opt/tab\t/monctl", "/opt/bell\a/monctl"}) {
        EXPECT_NE(AutostartEntry::write(program), "") << "refused";
        EXPECT_FALSE(QFile::exists(AutostartEntry::path())) << "nothing written";
    }
}

TEST(DesktopSettings, NumbersBeyondTheirRangeAreNotCutToFit) {
    QTemporaryDir home;
    const Preferences preferences(home.filePath("monctl.conf"));
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

TEST(DesktopSettings, TheTimedRefreshReachesTheActiveMonitor) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QSettings(home.filePath("monctl/monctl.conf"), QSettings::IniFormat)
        .setValue("fast_refresh_seconds", 1);
    MonitorSimulator monitor;
    ChildProcess window({MONCTL_PATH, "--port", monitor.devicePath()});
    ASSERT_TRUE(monitor.waitForFrames(6, 10s)) << "probed, read back, then two refreshes";
    const auto frames = monitor.receivedFrames();
    EXPECT_EQ(frames[4], "5FF50301000000000000A0FA");
    EXPECT_EQ(frames[5], "5FF50301000000000000A0FA");
    window.signal(SIGTERM);
    window.wait();
}
