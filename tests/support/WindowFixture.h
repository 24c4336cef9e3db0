#pragma once

#include "device/MonitorSimulator.h"
#include "monitor/Setting.h"
#include "platform/PlatformLoader.h"
#include "shared/CurrentLanguage.h"
#include "shared/Preferences.h"
#include "shared/PresetStore.h"
#include "support/ChildProcess.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"
#include "support/PrivateSessionBus.h"
#include "support/ScopedEnvironment.h"
#include "windows/AppShell.h"
#include "windows/ControlPanel.h"
#include "windows/DesktopSettingsView.h"
#include "windows/PresetsView.h"
#include "windows/ScheduleView.h"
#include "windows/SettingsWindow.h"
#include "windows/ShortcutView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace monctl::test {

// As a person chooses: the entry, then its activation.
void choose(QComboBox* list, int index);
// The simulator's port as the window lists it.
QString portName(const MonitorSimulator& monitor);
bool holds(const MonitorSimulator& monitor, const MonitorSettings& settings);
// How many frames of this command and value (e.g. "0A01") the monitor received.
long received(const MonitorSimulator& monitor, const std::string& command);
// The commands and values the monitor received, e.g. "0A01 0101"; a frame of another shape whole.
std::string commands(const MonitorSimulator& monitor);
// The active monitor's settings read back and shown.
bool settled(const ControlPanel& panel);
// The panel shows this contrast, read back.
bool showsContrast(const ControlPanel& panel, const QString& contrast);

// Acts on the modal window of this type as soon as the event loop runs, that is once the
// call that opens it (and returns when it closes) is waiting.
template <class Window, class Act> void onceOpen(Act act) {
    QTimer::singleShot(0, [act] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        act(*window);
    });
}

// A window on Xvfb: preferences of the test's own (also for the programs it starts), the
// monitors at fixed paths, another X client to type, point and focus.
class WindowFixture : public testing::Test {
protected:
    WindowFixture();

    // Only these paths are ports. Not looked at again: once unplugged, a simulator's path may
    // soon be another test process's.
    static void usePorts(const std::vector<std::string>& paths);
    // The main window on these ports, shown.
    AppShell& openShell(const std::vector<std::string>& paths);
    ControlPanel& panel() const { return *shell->controlPanel(); }
    bool settled() const { return test::settled(panel()); }
    bool focusMainWindow();

    QTemporaryDir home;
    Preferences preferences{home.filePath("monctl/monctl.conf")};
    ScopedEnvironment environment;
    OtherXClient other;
    std::unique_ptr<AppShell> shell;
};

} // namespace monctl::test
