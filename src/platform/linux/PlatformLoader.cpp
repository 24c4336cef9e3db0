#include "platform/PlatformLoader.h"

#include "input/NullInputSink.h"
#include "platform/linux/UdevRegistry.h"
#include "platform/linux/X11Backends.h"
#include "platform/linux/X11GlobalKeyMonitor.h"
#include "platform/linux/XTestInputSink.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "serial/FixedPathRegistry.h"

namespace monctl {
namespace {

// The backend the opener gives, else the seam's null backend with the opener's reason.
template <class Null, class Opener> auto openOrNull(Opener open) {
    std::string whyNot;
    std::shared_ptr<typename Null::Seam> backend = open(whyNot);
    return backend ? backend : std::make_shared<Null>(whyNot);
}

} // namespace

DesktopBackends loadDesktopBackends() {
    return {openOrNull<NullInputSink>(XTestInputSink::open),
            openOrNull<NullGlobalKeyMonitor>(X11GlobalKeyMonitor::open),
            openOrNull<NullSystemShortcuts>(openX11GrabProbe), loadKeyboardLayout()};
}

std::shared_ptr<const KeyboardLayout> loadKeyboardLayout() {
    if (auto server = XkbKeyboardLayout::fromServer())
        return server;
    if (auto named = XkbKeyboardLayout::fromEnvironment())
        return named;
    return std::make_shared<NullKeyboardLayout>(
        "neither the X server's keymap nor the XKB environment's layout can be read");
}

std::unique_ptr<DeviceRegistry> loadDeviceRegistry(const std::vector<std::string>& fixedPaths) {
    if (!fixedPaths.empty())
        return std::make_unique<FixedPathRegistry>(fixedPaths);
    return std::make_unique<UdevRegistry>();
}

} // namespace monctl
