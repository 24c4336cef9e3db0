#include "shortcut/Shortcut.h"

#include "platform/PlatformLoader.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/Localization.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

using namespace monctl;
namespace Flag = ModifierFlag;

// These run without an X display: letters come from the "us" layout of the XKB environment,
// chosen as the program chooses its layout at start.
namespace {
class ProgramLayout : public testing::Environment {
    void SetUp() override { KeyboardLayout::use(loadKeyboardLayout()); }
};
const auto* const programLayout = testing::AddGlobalTestEnvironment(new ProgramLayout);
} // namespace

TEST(Shortcut, KeepsOnlyTheFourModifiersAndShowsThemInOrder) {
    EXPECT_EQ(Shortcut(0, 0x1E0000 | Flag::capsLock | Flag::function).modifierFlags(), 0x1E0000u);
    EXPECT_EQ(Shortcut(0, Flag::command | Flag::shift | Flag::option).modifierFlagsString(),
              "\u2325\u21E7\u2318");
    EXPECT_EQ(Shortcut(0, 0x1E0000).carbonFlags(), 0x1B00u);
    EXPECT_EQ(Shortcut(Shortcut::noKey, 0).carbonKeyCode(), 0u);
}

// What the windows show: the names Linux desktops use, not the glyphs; letters from the
// layout, other keys from the fixed table.
TEST(Shortcut, TextsNameTheKeysAsLinuxDesktopsDoAndLettersAsTheLayoutDoes) {
    useChineseShortcutTexts(false);
    EXPECT_EQ(Shortcut(15, Flag::control | Flag::shift).desktopText(), "Ctrl+Shift+R");
    EXPECT_EQ(Shortcut(0, 0x1E0000).desktopText(), "Ctrl+Alt+Shift+Super+A");
    EXPECT_EQ(Shortcut(96, Flag::command).desktopText(), "Super+F5");
    EXPECT_EQ(Shortcut(83, Flag::control).desktopText(), "Ctrl+Num+1");
    EXPECT_EQ(Shortcut(49, Flag::option).desktopText(), "Alt+Space");
    EXPECT_EQ(Shortcut(Shortcut::noKey, Flag::control | Flag::shift).desktopModifiersText(),
              "Ctrl+Shift+");
    EXPECT_EQ(Shortcut(12, 0).keyCodeString(), "Q");
    EXPECT_EQ(Shortcut(Shortcut::noKey, Flag::command).keyCodeString(), "");
    EXPECT_EQ(Shortcut(0, Flag::command | Flag::shift).description(), "\u21E7\u2318A");
    EXPECT_EQ(Shortcut(12, 0).keyCodeStringForKeyEquivalent(), "q");
    EXPECT_EQ(Shortcut(122, 0).keyCodeStringForKeyEquivalent(), "\uF704");
    useChineseShortcutTexts(true);
    EXPECT_EQ(Shortcut(49, 0).keyCodeString(), "空格");
    EXPECT_EQ(localizedShortcutText("no such key"), "XXX");
    useChineseShortcutTexts(false);
}

TEST(Shortcut, ComparesHashesAndArchives) {
    const Shortcut commandC(8, Flag::command);
    EXPECT_EQ(commandC, Shortcut(8, Flag::command | Flag::capsLock));
    EXPECT_NE(commandC, Shortcut(8, Flag::control));
    EXPECT_EQ(commandC.hash(), Shortcut(8, Flag::command).hash());

    EXPECT_EQ(commandC.archiveText(), "KeyCode=8;ModifierFlags=1048576");
    EXPECT_EQ(Shortcut::fromArchiveText(commandC.archiveText()), commandC);
    const Shortcut none(Shortcut::noKey, Flag::control);
    EXPECT_EQ(none.archive().at("KeyCode"), -1);
    EXPECT_FALSE(Shortcut::fromArchive(none.archive()).hasKey());
    // A stored form keeps its flags as stored, and missing entries read 0.
    EXPECT_EQ(Shortcut::fromArchiveText("KeyCode=2;ModifierFlags=327680")->modifierFlags(),
              327680u);
    EXPECT_EQ(Shortcut::fromArchive({{"KeyCode", 3}}), Shortcut(3, 0));
    EXPECT_EQ(Shortcut::fromArchiveText("KeyCode=x"), std::nullopt);
    EXPECT_EQ(Shortcut::fromArchiveText("garbage"), std::nullopt);
}

TEST(ShortcutDictionaryTransformer, TakesTwoIntegerEntriesOrNothing) {
    using T = ShortcutDictionaryTransformer;
    EXPECT_EQ(T::transformedValue(T::Dictionary{{"keyCode", std::uint64_t{8}},
                                                {"modifierFlags", std::string("1179648")}}),
              Shortcut(8, Flag::command | Flag::shift));
    EXPECT_EQ(T::transformedValue(T::Dictionary{{"keyCode", std::uint64_t{8}}}), std::nullopt);
    EXPECT_EQ(T::transformedValue(T::Dictionary{{"keyCode", std::string("eight")},
                                                {"modifierFlags", std::uint64_t{0}}}),
              std::nullopt);
    EXPECT_EQ(T::transformedValue(std::nullopt), std::nullopt);
    EXPECT_TRUE(T::reverseTransformedValue(std::nullopt).empty());
    EXPECT_EQ(T::transformedValue(T::reverseTransformedValue(Shortcut(8, Flag::command))),
              Shortcut(8, Flag::command));
}

TEST(KeyboardLayoutFromEnvironment, FollowsTheNamedLayout) {
    test::ScopedEnvironment environment;
    environment.set("XKB_DEFAULT_LAYOUT", "de");
    const auto german = XkbKeyboardLayout::fromEnvironment();
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(german->textOfKey(6), "y") << "the key of code 6 prints Y on a German layout";
    EXPECT_EQ(german->textOfKey(16), "z");
    environment.set("XKB_DEFAULT_LAYOUT", "no-such-layout");
    EXPECT_EQ(XkbKeyboardLayout::fromEnvironment(), nullptr) << "absent";
}
