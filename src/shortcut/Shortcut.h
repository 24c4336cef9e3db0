#pragma once

#include "shortcut/ModifierFlags.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace monctl {

// A keyboard shortcut: a virtual key code and the modifier keys held with it. Immutable.
// Texts are UTF-8.
class Shortcut {
public:
    static constexpr std::uint64_t noKey = 0x7FFFFFFFFFFFFFFF;
    static constexpr std::uint64_t modifierMask = ModifierFlag::modifierKeys;

    // The flags keep only the four modifier bits.
    Shortcut(std::uint64_t keyCode, std::uint64_t modifierFlags);
    static Shortcut shortcutWithKeyCode(std::uint64_t keyCode, std::uint64_t modifierFlags) {
        return {keyCode, modifierFlags};
    }
    // From a key press: its virtual key code and device-independent flags.
    static Shortcut shortcutWithEvent(std::uint16_t keyCode, std::uint64_t modifierFlags) {
        return {keyCode, modifierFlags};
    }

    std::uint64_t keyCode() const { return m_keyCode; }
    std::uint64_t modifierFlags() const { return m_modifierFlags; }
    bool hasKey() const { return m_keyCode != noKey; }

    // The encoding of the hot-key registry.
    std::uint32_t carbonKeyCode() const;
    std::uint32_t carbonFlags() const;

    // The key's text: a fixed glyph or name, else what the keyboard layout prints, in upper
    // case; "" for no key or an unprintable one; none when no layout can be had.
    std::optional<std::string> keyCodeString() const;
    std::optional<std::string> keyCodeStringForKeyEquivalent() const;
    std::string modifierFlagsString() const;
    // The modifier glyphs, then the key's text (an absent text counts as "").
    std::string description() const;
    // The combination as Linux desktops write it: "Ctrl+Shift+R", "Super+F5", "Ctrl+Up".
    std::string desktopText() const;
    // The modifiers alone, as a combination begun: "Ctrl+Shift+"; "" without any.
    std::string desktopModifiersText() const;

    bool operator==(const Shortcut& other) const = default;
    std::uint64_t hash() const { return m_keyCode + m_modifierFlags; }

    // The keyed archive: integers "KeyCode" (-1 for no key) and "ModifierFlags".
    using Archive = std::map<std::string, std::int64_t>;
    Archive archive() const;
    // Missing entries read as 0; a negative key code means no key; the flags stay unmasked.
    static Shortcut fromArchive(const Archive& archive);
    // The archive as stored in preferences: "KeyCode=8;ModifierFlags=1048576".
    std::string archiveText() const;
    static std::optional<Shortcut> fromArchiveText(const std::string& text);

private:
    struct Unmasked {};
    Shortcut(Unmasked, std::uint64_t keyCode, std::uint64_t modifierFlags)
        : m_keyCode(keyCode), m_modifierFlags(modifierFlags) {}

    std::uint64_t m_keyCode;
    std::uint64_t m_modifierFlags;
};

// Shortcuts to and from the two-entry dictionary "keyCode", "modifierFlags" (integers, or
// texts that read as integers).
class ShortcutDictionaryTransformer {
public:
    static constexpr const char* name = "ShortcutDictionaryTransformer";
    using Value = std::variant<std::uint64_t, std::int64_t, std::string>;
    using Dictionary = std::map<std::string, Value>;

    static std::optional<Shortcut> transformedValue(const std::optional<Dictionary>& dictionary);
    static Dictionary reverseTransformedValue(const std::optional<Shortcut>& shortcut);
    static constexpr bool allowsReverseTransformation() { return true; }
};

} // namespace monctl

template <> struct std::hash<monctl::Shortcut> {
    std::size_t operator()(const monctl::Shortcut& shortcut) const noexcept {
        return static_cast<std::size_t>(shortcut.hash());
    }
};
