#pragma once

#include "runtime/Backend.h"
#include "shortcut/Shortcut.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace monctl {

// An item of a menu as the validator sees it.
struct MenuItem {
    std::string title;
    std::string keyEquivalent; // what the item's key types, e.g. "q"; upper case means Shift
    std::uint64_t modifierMask = 0;
    std::vector<MenuItem> submenu;
};
using Menu = std::vector<MenuItem>;

// The desktop's own shortcuts: whether another program already holds a combination.
class SystemShortcuts : public Backend {
public:
    ~SystemShortcuts() override = default;
    virtual bool isTaken(const Shortcut& shortcut) = 0;
};

// Finds nothing taken: where the desktop cannot tell.
class NullSystemShortcuts final : public NullBackend<SystemShortcuts> {
public:
    using NullBackend::NullBackend;
    bool isTaken(const Shortcut&) override { return false; }
};

// Decides whether a recorded shortcut may be used. Main thread only.
class ShortcutValidator {
public:
    static ShortcutValidator& sharedValidator();

    bool isShortcutValid(const Shortcut& shortcut) const;
    // Taken by another program or by the application's main menu. The explanation is set
    // only when the answer is true and a place for it is given; a menu item's is English
    // unless the application installs a translation of context "ShortcutValidator".
    bool isShortcutAlreadyTakenBySystem(const Shortcut& shortcut, std::string* explanation) const;
    // Taken by an item of the menu or of its submenus, depth first.
    bool isShortcut(const Shortcut& shortcut, const Menu& menu, std::string* explanation) const;

    bool allowAnyShortcutWithOptionModifier() const { return m_allowAnyShortcutWithOptionModifier; }
    void setAllowAnyShortcutWithOptionModifier(bool allow) {
        m_allowAnyShortcutWithOptionModifier = allow;
    }

    // Where the application's main menu and the desktop's shortcuts come from.
    void setMainMenu(std::function<Menu()> mainMenu) { m_mainMenu = std::move(mainMenu); }
    // Returns the check used until now.
    std::shared_ptr<SystemShortcuts> setSystemShortcuts(std::shared_ptr<SystemShortcuts> system) {
        return std::exchange(m_system, std::move(system));
    }

private:
    ShortcutValidator();

    bool m_allowAnyShortcutWithOptionModifier = false;
    std::function<Menu()> m_mainMenu;
    std::shared_ptr<SystemShortcuts> m_system;
};

} // namespace monctl
