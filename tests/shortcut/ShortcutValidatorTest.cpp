#include "shortcut/ShortcutValidator.h"

#include "shortcut/HotkeyState.h"

#include <gtest/gtest.h>

using namespace monctl;
namespace Flag = ModifierFlag;

TEST(ShortcutValidator, AcceptsOnlyCombinationsWithAUsableModifier) {
    const auto& validator = ShortcutValidator::sharedValidator();
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(96, 0))); // F5
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(90, 0))); // F20
    EXPECT_FALSE(validator.isShortcutValid(Shortcut(0, 0)));
    EXPECT_FALSE(validator.isShortcutValid(Shortcut(0, Flag::shift)));
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(0, Flag::control)));
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(0, Flag::command)));
    EXPECT_FALSE(validator.isShortcutValid(Shortcut(0, Flag::option)));
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(49, Flag::option)));
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(53, Flag::option)));
    ShortcutValidator::sharedValidator().setAllowAnyShortcutWithOptionModifier(true);
    EXPECT_TRUE(validator.isShortcutValid(Shortcut(0, Flag::option)));
    ShortcutValidator::sharedValidator().setAllowAnyShortcutWithOptionModifier(false);
}

TEST(ShortcutValidator, FindsTheMenuItemThatHoldsACombinationDepthFirst) {
    const auto& validator = ShortcutValidator::sharedValidator();
    const Menu menu{
        {"Edit",
         "",
         0,
         {{"Copy", "c", Flag::command, {}},
          {"Paste Special", "V", Flag::command, {}},
          {"More", "", 0, {{"Deep", "d", Flag::control, {}}}}}},
        {"Copy Again", "c", Flag::command, {}},
    };
    std::string why = "untouched";
    EXPECT_TRUE(validator.isShortcut(Shortcut(8, Flag::command), menu, &why));
    EXPECT_EQ(why, "This shortcut cannot be used because it is already used by the menu item "
                   "\u2018Copy\u2019.");
    EXPECT_FALSE(validator.isShortcut(Shortcut(9, Flag::command), menu, &why))
        << "an upper-case equivalent holds Shift as well";
    EXPECT_TRUE(validator.isShortcut(Shortcut(9, Flag::command | Flag::shift), menu, &why));
    EXPECT_TRUE(validator.isShortcut(Shortcut(2, Flag::control), menu, &why));
    EXPECT_EQ(why, "This shortcut cannot be used because it is already used by the menu item "
                   "\u2018Deep\u2019.");
    why = "untouched";
    EXPECT_FALSE(validator.isShortcut(Shortcut(8, Flag::control), menu, &why));
    EXPECT_EQ(why, "untouched");
    EXPECT_TRUE(validator.isShortcut(Shortcut(8, Flag::command), menu, nullptr));
}
