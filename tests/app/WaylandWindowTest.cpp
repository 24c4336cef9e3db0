// The window on a Wayland desktop: a headless weston of the test's own, no X server at all.
#include "support/ChildProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

using namespace monctl::test;

TEST(WaylandWindow, RunsAsANativeClientReadsTheSimulatorAndNamesTheWaylandBackends) {
    PrivateSessionBus bus; // no portal on it; weston's socket goes in its runtime folder
    ChildProcess weston({"/bin/sh", "-c",
                         "exec /usr/bin/weston --backend=headless-backend.so --no-config "
                         "--idle-time=0 --socket=wayland-monctl 2>&1"});
    // Weston listens on its socket before it loads its shell, and says when it loads it.
    std::string line;
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         line.find("desktop-shell.so") == std::string::npos;) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "weston did not start";
        line = weston.readLine();
    }
    ScopedEnvironment environment;
    environment.set("WAYLAND_DISPLAY", "wayland-monctl");
    environment.set("XDG_CONFIG_HOME", bus.runtimeFolder() + "/config");
    for (const char* name : {"DISPLAY", "MONCTL_PLATFORM", "QT_QPA_PLATFORM"})
        environment.unset(name);
    ChildProcess monctl({"/bin/sh", "-c", "exec \"$0\" --simulate -v 2>&1", MONCTL_PATH});
    std::vector<std::string> awaited{
        "window system: wayland", "desktop session: Wayland (WAYLAND_DISPLAY is set)",
        "input: ", "desktop shortcuts: none (the desktop offers no portal", ": reports contrast 5"};
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!awaited.empty() && std::chrono::steady_clock::now() < deadline) {
        line = monctl.readLine(std::chrono::seconds(20));
        seen += line + "\n";
        std::erase_if(
            awaited, [&](const std::string& text) { return line.find(text) != std::string::npos; });
    }
    EXPECT_TRUE(awaited.empty()) << "not seen: " << awaited.front() << " in\n" << seen;
    EXPECT_TRUE(seen.find("input: uinput (libevdev)") != std::string::npos ||
                seen.find("input: none (/dev/uinput cannot be opened") != std::string::npos)
        << seen;
}
