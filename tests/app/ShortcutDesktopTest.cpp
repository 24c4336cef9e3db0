// The shortcut model and validator on a real X server: its keyboard layout, another
// client's key grab, the window's menu.
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/Localization.h"
#include "shortcut/ShortcutValidator.h"
#include "support/OtherXClient.h"
#include "windows/AppShell.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;

namespace {

const std::string systemMessage =
    "This combination cannot be used because it is already used by a system-wide keyboard "
    "shortcut.\nIf you really want to use this key combination, most shortcuts can be changed "
    "in the keyboard shortcut settings of your desktop.";

} // namespace

TEST(ShortcutOnTheDesktop, KeyNamesComeFromTheServersLayout) {
    EXPECT_EQ(Shortcut(0, Flag::command | Flag::shift).description(), "\u21E7\u2318A");
    EXPECT_EQ(Shortcut(12, 0).keyCodeString(), "Q");
    EXPECT_EQ(Shortcut(50, 0).keyCodeString(), "`");
}

TEST(ShortcutOnTheDesktop, ACombinationGrabbedByAnotherClientIsTakenUntilReleased) {
    useChineseShortcutTexts(false);
    const auto& validator = ShortcutValidator::sharedValidator();
    const Shortcut controlAltK(40, Flag::control | Flag::option);
    std::string why;
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(controlAltK, &why));

    OtherXClient other;
    other.grabControlAltK();
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem(controlAltK, &why));
    EXPECT_EQ(why, systemMessage);
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(Shortcut(40, Flag::control), nullptr));

    other.ungrabControlAltK();
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem(controlAltK, nullptr));
}

TEST(ShortcutOnTheDesktop, TheWindowsMenuHoldsItsShortcuts) {
    QTemporaryDir home;
    SerialPortManager::reset();
    SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(std::vector<std::string>{}));
    AppShell shell(*qApp, Preferences(home.filePath("monctl.conf")), loadDesktopBackends());
    std::string why;
    EXPECT_TRUE(ShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(
        Shortcut(12, Flag::control), &why)); // Ctrl+Q: Quit
    EXPECT_EQ(why, "键入快捷键已经被 \u2018退出\u2019 菜单所使用.");
    EXPECT_FALSE(ShortcutValidator::sharedValidator().isShortcutAlreadyTakenBySystem(
        Shortcut(32, Flag::control), nullptr)); // Ctrl+U is free
}
