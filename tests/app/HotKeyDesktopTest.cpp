// System-wide hot keys on a real X server: registered combinations typed from another
// client's window, with lock keys on, and one another client holds first.
#include "shortcut/HotKey.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/ShortcutValidator.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"

#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;

namespace {

const Shortcut controlAltK(40, Flag::control | Flag::option);
const Shortcut controlAltL(37, Flag::control | Flag::option);

void type(OtherXClient& other, const char* key) {
    other.press("Control_L", true);
    other.press("Alt_L", true);
    other.press(key, true);
    other.press(key, false);
    other.press("Alt_L", false);
    other.press("Control_L", false);
}

void tap(OtherXClient& other, const char* key) {
    other.press(key, true);
    other.press(key, false);
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

TEST(HotKeyOnTheDesktop, ACombinationAnotherClientHoldsIsRefusedWithoutAPartialGrab) {
    OtherXClient other;
    other.grabControlAltK();
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(monitor->registerShortcut(controlAltK, [] {}));
    other.ungrabControlAltK();
    // Nothing of ours is left behind: the combination is free for anyone now.
    EXPECT_FALSE(
        ShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(controlAltK, nullptr));
    EXPECT_TRUE(monitor->registerShortcut(controlAltK, [] {}));
    EXPECT_TRUE(
        ShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(controlAltK, nullptr))
        << "our own grab is what another program would meet";
}
