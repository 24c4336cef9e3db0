// System-wide hot keys and the shortcut validator on a real X server: its keyboard layout,
// combinations typed from another client's window with lock keys on, another client's grab,
// the window's menu.
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shortcut/HotKey.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/Localization.h"
#include "shortcut/ShortcutValidator.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"
#include "windows/AppShell.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;

namespace {

const Shortcut controlAltK(40, Flag::control | Flag::option);
const Shortcut controlAltL(37, Flag::control | Flag::option);

void type(OtherXClient& other, const char* key) {
    for (const char* down : {"Control_L", "Alt_L", key})
        other.press(down, true);
    for (const char* up : {key, "Alt_L", "Control_L"})
        other.press(up, false);
}

void tap(OtherXClient& other, const char* key) {
    other.press(key, true);
    other.press(key, false);
}

bool taken(const Shortcut& shortcut, std::string* why = nullptr) {
    return ShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(shortcut, why);
}

} // namespace

TEST(HotKeyOnTheDesktop, ARegisteredCombinationRunsOncePerPressWhateverTheLocks) {
    OtherXClient other;
    other.focusOwnWindow();
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    int k = 0;
    int l = 0;
    ASSERT_TRUE(monitor->registerShortcut(controlAltK, [&] { ++k; }));
    ASSERT_TRUE(monitor->registerShortcut(controlAltL, [&] { ++l; }));

    type(other, "k");
    ASSERT_TRUE(processEventsUntil([&] { return k == 1; }));
    tap(other, "Num_Lock");
    type(other, "k");
    tap(other, "Num_Lock");
    tap(other, "Caps_Lock");
    type(other, "k");
    tap(other, "Caps_Lock");
    type(other, "l"); // comes after every press of K
    ASSERT_TRUE(processEventsUntil([&] { return l == 1; }));
    EXPECT_EQ(k, 3);

    monitor->unregisterShortcut(controlAltK);
    type(other, "k");
    type(other, "l");
    ASSERT_TRUE(processEventsUntil([&] { return l == 2; }));
    EXPECT_EQ(k, 3) << "no longer registered";
}

// Taken while another client holds it, and refused then without a partial grab of ours.
TEST(HotKeyOnTheDesktop, ACombinationAnotherClientHoldsIsTakenUntilReleased) {
    useChineseShortcutTexts(false);
    std::string why;
    EXPECT_FALSE(taken(controlAltK, &why));
    OtherXClient other;
    other.grabControlAltK();
    EXPECT_TRUE(taken(controlAltK, &why));
    EXPECT_EQ(why, "This combination cannot be used because it is already used by a system-wide "
                   "keyboard shortcut.\nIf you really want to use this key combination, most "
                   "shortcuts can be changed in the keyboard shortcut settings of your desktop.");
    EXPECT_FALSE(taken(Shortcut(40, Flag::control)));
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(monitor->registerShortcut(controlAltK, [] {}));
    other.ungrabControlAltK();
    EXPECT_FALSE(taken(controlAltK)) << "nothing of ours is left behind";
    EXPECT_TRUE(monitor->registerShortcut(controlAltK, [] {}));
    EXPECT_TRUE(taken(controlAltK)) << "our own grab is what another program would meet";
}

TEST(HotKeyOnTheDesktop, KeysAreNamedByTheServersLayoutAndTheWindowsMenuHoldsItsShortcuts) {
    EXPECT_EQ(Shortcut(0, Flag::command | Flag::shift).description(), "\u21E7\u2318A");
    EXPECT_EQ(Shortcut(12, 0).keyCodeString(), "Q");
    EXPECT_EQ(Shortcut(50, 0).keyCodeString(), "`");
    QTemporaryDir home;
    SerialPortManager::reset();
    SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(std::vector<std::string>{}));
    AppShell shell(*qApp, Preferences(home.filePath("monctl.conf")), loadDesktopBackends());
    std::string why;
    EXPECT_TRUE(taken(Shortcut(12, Flag::control), &why)); // Ctrl+Q: Quit
    EXPECT_EQ(why, "键入快捷键已经被 \u2018退出\u2019 菜单所使用.");
    EXPECT_FALSE(taken(Shortcut(32, Flag::control))); // Ctrl+U is free
}
