// System-wide hot keys and the shortcut validator on a real X server: combinations typed from
// another client's window with lock keys on, another client's grab, the server's keyboard layout,
// the window's menu.
#include "shortcut/HotKey.h"
#include "shortcut/ShortcutValidator.h"
#include "support/WindowFixture.h"

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;

namespace {

using HotKeyOnTheDesktop = WindowFixture;

const Shortcut controlAltK(40, Flag::control | Flag::option);

bool taken(const Shortcut& shortcut, std::string* why = nullptr) {
    return ShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(shortcut, why);
}

} // namespace

TEST_F(HotKeyOnTheDesktop, ARegisteredCombinationRunsOncePerPressWhateverTheLocks) {
    other.focusOwnWindow();
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    int k = 0;
    int l = 0;
    ASSERT_TRUE(monitor->registerShortcut(controlAltK, [&] { ++k; }));
    ASSERT_TRUE(
        monitor->registerShortcut(Shortcut(37, Flag::control | Flag::option), [&] { ++l; }));
    for (const auto& lock :
         std::vector<std::vector<const char*>>{{}, {"Num_Lock"}, {"Caps_Lock"}}) {
        other.type(lock);
        other.type({"Control_L", "Alt_L", "k"});
        other.type(lock);
    }
    other.type({"Control_L", "Alt_L", "l"}); // comes after every press of K
    ASSERT_TRUE(processEventsUntil([&] { return l == 1; }));
    EXPECT_EQ(k, 3);
}

// Taken while another client holds it, and refused then without a partial grab of ours; ours
// is let go when unregistered.
TEST_F(HotKeyOnTheDesktop, ACombinationAnotherClientHoldsIsTakenUntilReleased) {
    EXPECT_FALSE(taken(controlAltK));
    other.grabControlAltK();
    EXPECT_TRUE(taken(controlAltK));
    EXPECT_FALSE(taken(Shortcut(40, Flag::control)));
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(monitor->registerShortcut(controlAltK, [] {}));
    other.ungrabControlAltK();
    EXPECT_FALSE(taken(controlAltK)) << "nothing of ours is left behind";
    EXPECT_TRUE(monitor->registerShortcut(controlAltK, [] {}));
    EXPECT_TRUE(taken(controlAltK)) << "our own grab is what another program would meet";
    monitor->unregisterShortcut(controlAltK);
    EXPECT_FALSE(taken(controlAltK));
}

TEST_F(HotKeyOnTheDesktop, KeysAreNamedByTheServersLayoutAndTheWindowsMenuHoldsItsShortcuts) {
    EXPECT_EQ(Shortcut(50, 0).keyCodeString(), "`");
    openShell({});
    std::string why;
    EXPECT_TRUE(taken(Shortcut(12, Flag::control), &why)); // Ctrl+Q: Quit
    EXPECT_EQ(why, "键入快捷键已经被 \u2018退出\u2019 菜单所使用.");
    EXPECT_FALSE(taken(Shortcut(32, Flag::control))); // Ctrl+U is free
}
