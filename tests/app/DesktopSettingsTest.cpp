// The settings of monctl on the desktop: kept with OK, the autostart entry, the timed refresh.
#include "app/AutostartEntry.h"
#include "app/DesktopSettingsView.h"
#include "app/SettingsWindow.h"
#include "device/MonitorSimulator.h"
#include "monitor/MonitorSet.h"
#include "support/ChildProcess.h"

#include <QCheckBox>
#include <QFile>
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
    EXPECT_TRUE(text.contains("\" --hidden\n")) << text.toStdString();

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
