#include "shortcut/Shortcut.h"

#include "shortcut/KeyCodes.h"
#include "shortcut/KeyFlags.h"
#include "shortcut/KeyboardLayout.h"
#include "shortcut/Localization.h"
#include "shortcut/ModifierFlags.h"

#include <QString>
#include <charconv>
#include <fmt/format.h>
#include <utility>

namespace monctl {
namespace {

// The keys with a text of their own, besides the function keys and Space.
constexpr std::pair<std::uint64_t, const char*> fixedTexts[] = {
    {82, "0"},       {83, "1"},       {84, "2"},       {85, "3"},       {86, "4"},
    {87, "5"},       {88, "6"},       {89, "7"},       {91, "8"},       {92, "9"},
    {65, "."},       {67, "*"},       {69, "+"},       {75, "/"},       {78, "-"},
    {81, "="},       {36, "\u21A9"},  {48, "\u21E5"},  {51, "\u232B"},  {53, "\u238B"},
    {71, "\u2327"},  {76, "\u2305"},  {114, "?"},      {115, "\u2196"}, {116, "\u21DE"},
    {117, "\u2326"}, {119, "\u2198"}, {121, "\u21DF"}, {123, "\u2190"}, {124, "\u2192"},
    {125, "\u2193"}, {126, "\u2191"},
};
// Linux desktops name the keys that the glyphs above stand for.
constexpr std::pair<std::uint64_t, const char*> desktopNames[] = {
    {36, "Return"},   {48, "Tab"},    {51, "Backspace"}, {53, "Esc"},
    {71, "Num Lock"}, {76, "Enter"},  {114, "Ins"},      {115, "Home"},
    {116, "PgUp"},    {117, "Del"},   {119, "End"},      {121, "PgDown"},
    {123, "Left"},    {124, "Right"}, {125, "Down"},     {126, "Up"},
};

std::optional<int> namedFunctionKey(std::uint64_t keyCode) {
    const auto number = functionKeyNumber(keyCode);
    return number && *number <= lastNamedFunctionKey ? number : std::nullopt;
}

std::optional<std::string> fixedText(std::uint64_t keyCode) {
    if (const auto function = namedFunctionKey(keyCode))
        return fmt::format("F{}", *function);
    if (keyCode == VirtualKey::space)
        return localizedShortcutText("Space", "Shortcut glyph name for SPACE key");
    for (const auto& [code, text] : fixedTexts) {
        if (code == keyCode)
            return text;
    }
    return std::nullopt;
}

// What the layout prints, kept only when every character is a letter, digit, punctuation
// or symbol, in upper case.
std::optional<std::string> layoutText(std::uint64_t keyCode) {
    const KeyboardLayout& layout = KeyboardLayout::current();
    if (!layout.whyNull().empty())
        return std::nullopt;
    if (keyCode > 0xFFFF)
        return std::string();
    const QString text =
        QString::fromStdString(layout.textOfKey(static_cast<std::uint16_t>(keyCode)));
    for (const QChar unit : text) {
        if (!unit.isLetterOrNumber() && !unit.isPunct() && !unit.isSymbol() && !unit.isSurrogate())
            return std::string();
    }
    return text.toUpper().toStdString();
}

std::string utf8(char32_t codePoint) {
    return QString::fromUcs4(&codePoint, 1).toStdString();
}

} // namespace

Shortcut::Shortcut(std::uint64_t keyCode, std::uint64_t modifierFlags)
    : m_keyCode(keyCode), m_modifierFlags(modifierFlags & modifierMask) {}

std::uint32_t Shortcut::carbonKeyCode() const {
    return hasKey() ? static_cast<std::uint32_t>(m_keyCode) : 0;
}

std::uint32_t Shortcut::carbonFlags() const {
    return carbonFlagsFromFlags(m_modifierFlags);
}

std::optional<std::string> Shortcut::keyCodeString() const {
    if (!hasKey())
        return std::string();
    if (m_keyCode >= 36 && m_keyCode <= 126) {
        if (auto text = fixedText(m_keyCode))
            return text;
    }
    return layoutText(m_keyCode);
}

std::optional<std::string> Shortcut::keyCodeStringForKeyEquivalent() const {
    const auto text = keyCodeString();
    if (!text)
        return std::nullopt;
    const QString units = QString::fromStdString(*text);
    if (units.size() < 2)
        return units.toLower().toStdString();
    if (const auto function = namedFunctionKey(m_keyCode))
        return utf8(firstFunctionKeyEquivalent + static_cast<char32_t>(*function - 1));
    if (m_keyCode == VirtualKey::space)
        return std::string(" ");
    return std::string();
}

std::string Shortcut::modifierFlagsString() const {
    std::string glyphs;
    for (const auto& key : modifierKeys) {
        if (m_modifierFlags & key.flag)
            glyphs += key.glyph;
    }
    return glyphs;
}

std::string Shortcut::description() const {
    return modifierFlagsString() + keyCodeString().value_or("");
}

std::string Shortcut::desktopModifiersText() const {
    std::string names;
    for (const auto& key : modifierKeys) {
        if (m_modifierFlags & key.flag)
            names.append(key.desktopName).append("+");
    }
    return names;
}

std::string Shortcut::desktopText() const {
    for (const auto& [code, name] : desktopNames) {
        if (code == m_keyCode)
            return desktopModifiersText() + name;
    }
    const bool keypad = m_keyCode <= 0xFFFF && flagsOfKey(static_cast<std::uint16_t>(m_keyCode)) ==
                                                   ModifierFlag::numericPad;
    return desktopModifiersText() + (keypad ? "Num+" : "") + keyCodeString().value_or("");
}

Shortcut::Archive Shortcut::archive() const {
    return {{"KeyCode", hasKey() ? static_cast<std::int64_t>(m_keyCode) : -1},
            {"ModifierFlags", static_cast<std::int64_t>(m_modifierFlags)}};
}

Shortcut Shortcut::fromArchive(const Archive& archive) {
    const auto read = [&](const char* key) {
        const auto found = archive.find(key);
        return found == archive.end() ? std::int64_t{0} : found->second;
    };
    const std::int64_t keyCode = read("KeyCode");
    return {Unmasked{}, keyCode < 0 ? noKey : static_cast<std::uint64_t>(keyCode),
            static_cast<std::uint64_t>(read("ModifierFlags"))};
}

std::string Shortcut::archiveText() const {
    const auto stored = archive();
    return fmt::format("KeyCode={};ModifierFlags={}", stored.at("KeyCode"),
                       stored.at("ModifierFlags"));
}

std::optional<Shortcut> Shortcut::fromArchiveText(const std::string& text) {
    Archive archive;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = std::min(text.find(';', at), text.size());
        const auto entry = std::string_view(text).substr(at, end - at);
        const auto equals = entry.find('=');
        std::int64_t value = 0;
        if (equals == std::string_view::npos)
            return std::nullopt;
        const auto digits = entry.substr(equals + 1);
        const auto [rest, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || rest != digits.data() + digits.size())
            return std::nullopt;
        archive[std::string(entry.substr(0, equals))] = value;
        at = end + 1;
    }
    return fromArchive(archive);
}

std::optional<Shortcut>
ShortcutDictionaryTransformer::transformedValue(const std::optional<Dictionary>& dictionary) {
    if (!dictionary)
        return std::nullopt;
    const auto integer = [&](const char* key) -> std::optional<std::uint64_t> {
        const auto found = dictionary->find(key);
        if (found == dictionary->end())
            return std::nullopt;
        if (const auto* number = std::get_if<std::uint64_t>(&found->second))
            return *number;
        if (const auto* number = std::get_if<std::int64_t>(&found->second))
            return static_cast<std::uint64_t>(*number);
        const auto& text = std::get<std::string>(found->second);
        std::int64_t value = 0;
        const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || text.empty())
            return std::nullopt;
        return static_cast<std::uint64_t>(value);
    };
    const auto keyCode = integer("keyCode");
    const auto flags = integer("modifierFlags");
    if (!keyCode || !flags)
        return std::nullopt;
    return Shortcut::shortcutWithKeyCode(*keyCode, *flags);
}

ShortcutDictionaryTransformer::Dictionary
ShortcutDictionaryTransformer::reverseTransformedValue(const std::optional<Shortcut>& shortcut) {
    if (!shortcut)
        return {};
    return {{"keyCode", shortcut->keyCode()}, {"modifierFlags", shortcut->modifierFlags()}};
}

} // namespace monctl
