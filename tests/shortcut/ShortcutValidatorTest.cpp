#include "shortcut/ShortcutValidator.h"

#include "shortcut/HotkeyState.h"
#include "shortcut/KeyFlags.h"

#include <gtest/gtest.h>
#include <regex>

using namespace monctl;
namespace Flag = ModifierFlag;

TEST(ShortcutValidator, AcceptsOnlyCombinationsWithAUsableModifier) {
    const auto& validator = ShortcutValidator::sharedValidator();
    // F5 and F20 alone; Option alone only with Space or Escape.
    for (const auto& shortcut :
         {Shortcut(96, 0), Shortcut(90, 0), Shortcut(0, Flag::control), Shortcut(0, Flag::command),
          Shortcut(49, Flag::option), Shortcut(53, Flag::option)})
        EXPECT_TRUE(validator.isShortcutValid(shortcut)) << shortcut.description();
    for (const auto& shortcut :
         {Shortcut(0, 0), Shortcut(0, Flag::shift), Shortcut(0, Flag::option)})
        EXPECT_FALSE(validator.isShortcutValid(shortcut)) << shortcut.description();
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

// The validator, the key texts and the flags a key's presses carry know the same function
// keys; a recorded shortcut matches its key's presses whatever flags of their own they carry
// and whatever lock keys are on, and a function key matches without a modifier too.
TEST(ShortcutValidator, AgreesWithTheKeyTextsAndTheKeyFlagsOnEveryKey) {
    const auto& validator = ShortcutValidator::sharedValidator();
    const std::regex functionKeyName("F[0-9]+");
    int bareKeys = 0;
    int namedFunctionKeys = 0;
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        const auto key = static_cast<std::uint16_t>(code);
        const auto keyFlags = flagsOfKey(key);
        const auto bare = Shortcut::shortcutWithEvent(key, keyFlags);
        ASSERT_EQ(bare.modifierFlags(), 0u) << code;
        const bool usableBare = validator.isShortcutValid(bare);
        bareKeys += usableBare;
        EXPECT_TRUE(!usableBare || (keyFlags & Flag::function)) << code;
        const bool named = std::regex_match(bare.keyCodeString().value_or(""), functionKeyName);
        namedFunctionKeys += named;
        EXPECT_TRUE(!named || usableBare) << code;

        HotkeyState hotkeys{0, 0, 0, 0, 0, 0};
        const auto recorded = Shortcut::shortcutWithEvent(key, keyFlags | Flag::control);
        hotkeys.RefreshHotkeyKeyCode = static_cast<std::uint32_t>(recorded.keyCode());
        hotkeys.RefreshHotkeyModifierFlags = static_cast<std::uint32_t>(recorded.modifierFlags());
        EXPECT_EQ(hotkeys.matches(key, keyFlags | Flag::control).size(), 1u) << code;
        EXPECT_EQ(hotkeys.matches(key, keyFlags | Flag::control | Flag::capsLock).size(), 1u)
            << code;
        EXPECT_TRUE(hotkeys.matches(key, keyFlags | Flag::control | Flag::shift).empty()) << code;
        hotkeys.RefreshHotkeyModifierFlags = 0;
        EXPECT_EQ(hotkeys.matches(key, keyFlags | Flag::capsLock).size(), usableBare ? 1u : 0u)
            << code;
    }
    EXPECT_EQ(bareKeys, 20) << "F1 to F20";
    EXPECT_EQ(namedFunctionKeys, 19) << "F20 has no text of its own";
}
