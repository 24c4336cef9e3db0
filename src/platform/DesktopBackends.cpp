#include "input/NullInputSink.h"
#include "platform/PlatformLoader.h"

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
            "desktop shortcuts: " + describeBackend(*desktopShortcuts)};
}

void DesktopBackends::installProgramWide() const {
    KeyboardLayout::use(keyboardLayout);
    ShortcutValidator::sharedValidator().setSystemShortcuts(takenCombinations);
}

DesktopBackends DesktopBackends::none(const std::string& reason) {
    return {std::make_shared<NullInputSink>(reason), std::make_shared<NullGlobalKeyMonitor>(reason),
            std::make_shared<NullSystemShortcuts>(reason),
            std::make_shared<NullKeyboardLayout>(reason),
            std::make_shared<NullDesktopShortcuts>(reason)};
}

} // namespace monctl
