#include "input/NullInputSink.h"
#include "platform/PlatformLoader.h"

#include <utility>

namespace monctl {

std::string describeBackend(const Backend& backend) {
    const auto why = backend.whyNull();
    return why.empty() ? backend.backendName() : backend.backendName() + " (" + why + ")";
}

std::vector<std::string> DesktopBackends::describe() const {
    return {"input: " + describeBackend(*input),
            "background shortcuts: " + describeBackend(*globalKeys),
            "taken combinations: " + describeBackend(*takenCombinations),
            "keyboard layout: " + describeBackend(*keyboardLayout),
            "desktop shortcuts: " + describeBackend(*desktopShortcuts),
            "application in front: " + describeBackend(*frontApplication)};
}

DesktopBackends::ProgramWide DesktopBackends::installProgramWide() const {
    return {KeyboardLayout::use(keyboardLayout),
            ShortcutValidator::sharedValidator().setSystemShortcuts(takenCombinations)};
}

DesktopBackends::ProgramWide::ProgramWide(std::shared_ptr<const KeyboardLayout> layout,
                                          std::shared_ptr<SystemShortcuts> takenCombinations)
    : m_previousLayout(std::move(layout)),
      m_previousTakenCombinations(std::move(takenCombinations)) {}

DesktopBackends::ProgramWide::ProgramWide(ProgramWide&& other) noexcept
    : m_previousLayout(std::move(other.m_previousLayout)),
      m_previousTakenCombinations(std::move(other.m_previousTakenCombinations)),
      m_restores(std::exchange(other.m_restores, false)) {}

DesktopBackends::ProgramWide::~ProgramWide() {
    if (!m_restores)
        return;
    KeyboardLayout::use(std::move(m_previousLayout));
    ShortcutValidator::sharedValidator().setSystemShortcuts(std::move(m_previousTakenCombinations));
}

DesktopBackends DesktopBackends::none(const std::string& reason) {
    return {std::make_shared<NullInputSink>(reason),
            std::make_shared<NullGlobalKeyMonitor>(reason),
            std::make_shared<NullSystemShortcuts>(reason),
            std::make_shared<NullKeyboardLayout>(reason),
            std::make_shared<NullDesktopShortcuts>(reason),
            std::make_shared<NullFrontApplicationWatch>(reason)};
}

} // namespace monctl
