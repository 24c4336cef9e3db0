#include "shortcut/ShortcutValidator.h"

#include "runtime/MainQueue.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/Localization.h"
#include "shortcut/ModifierFlags.h"

#include <QCoreApplication>
#include <QString>

namespace monctl {
namespace {

const char* const systemMessage =
    "This combination cannot be used because it is already used by a system-wide keyboard "
    "shortcut.\nIf you really want to use this key combination, most shortcuts can be changed "
    "in the keyboard shortcut settings of your desktop.";

// Translated by the application's translator, in its interface language, not by the shortcut
// family's own catalog, which follows the locale.
std::string takenByMenuItem(const std::string& title) {
    return QCoreApplication::translate(
               "ShortcutValidator",
               "This shortcut cannot be used because it is already used by the menu item ‘%1’.")
        .arg(QString::fromStdString(title))
        .toStdString();
}

} // namespace

ShortcutValidator::ShortcutValidator()
    : m_system(std::make_shared<NullSystemShortcuts>("no desktop check chosen")) {}

ShortcutValidator& ShortcutValidator::sharedValidator() {
    static ShortcutValidator validator;
    return validator;
}

bool ShortcutValidator::isShortcutValid(const Shortcut& shortcut) const {
    assertMainThread();
    const auto key = shortcut.keyCode();
    const auto flags = shortcut.modifierFlags();
    if (functionKeyNumber(key))
        return true;
    if (flags == 0)
        return false;
    if (flags & (ModifierFlag::command | ModifierFlag::control))
        return true;
    if (flags & ModifierFlag::option)
        return key == VirtualKey::space || key == VirtualKey::escape ||
               m_allowAnyShortcutWithOptionModifier;
    return false;
}

bool ShortcutValidator::isShortcutAlreadyTakenBySystem(const Shortcut& shortcut,
                                                       std::string* explanation) const {
    if (m_system->isTaken(shortcut)) {
        if (explanation)
            *explanation = localizedShortcutText(
                systemMessage, "Message for alert when shortcut is already used by the system");
        return true;
    }
    return isShortcut(shortcut, m_mainMenu ? m_mainMenu() : Menu{}, explanation);
}

bool ShortcutValidator::isShortcut(const Shortcut& shortcut, const Menu& menu,
                                   std::string* explanation) const {
    const auto equivalent =
        QString::fromStdString(shortcut.keyCodeStringForKeyEquivalent().value_or(""));
    const auto flags = shortcut.modifierFlags();
    for (const auto& item : menu) {
        if (!item.submenu.empty() && isShortcut(shortcut, item.submenu, explanation))
            return true;
        const auto key = QString::fromStdString(item.keyEquivalent);
        if (key.isEmpty() || key.toLower() != equivalent)
            continue;
        auto mask = item.modifierMask;
        if (key != equivalent)
            mask |= ModifierFlag::shift; // an upper-case equivalent means Shift too
        if ((mask & Shortcut::modifierMask) == flags) {
            if (explanation)
                *explanation = takenByMenuItem(item.title);
            return true;
        }
    }
    return false;
}

} // namespace monctl
