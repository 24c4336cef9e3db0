// The window on a Wayland desktop: a headless weston of the test's own, no X server at all.
#include "support/ChildProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/ScopedEnvironment.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace monctl::test;

namespace {

// Weston listens on its socket before it loads its shell, and says when it loads it.
bool startedListening(ChildProcess& weston) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (weston.readLine().find("desktop-shell.so") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

TEST(WaylandWindow, RunsAsANativeClientReadsTheSimulatorAndNamesTheWaylandBackends) {
    PrivateSessionBus bus; // no portal on it; weston's socket goes in its runtime folder
    ChildProcess weston({"/bin/sh", "-c",
                         "exec /usr/bin/weston --backend=headless-backend.so --no-config "
                         "--idle-time=0 --socket=wayland-monctl 2>&1"});
    ASSERT_TRUE(startedListening(weston));

    ScopedEnvironment environment;
    environment.set("WAYLAND_DISPLAY", "wayland-monctl");
    environment.set("XDG_CONFIG_HOME", bus.runtimeFolder() + "/config");
    environment.unset("DISPLAY");
    environment.unset("MONCTL_PLATFORM");
    environment.unset("QT_QPA_PLATFORM");
    {
        ChildProcess monctl({"/bin/sh", "-c", "exec \"$0\" --simulate -v 2>&1", MONCTL_PATH});
        std::vector<std::string> awaited{
            "window system: wayland",
            "desktop session: Wayland (WAYLAND_DISPLAY is set)",
            "input: ",
            "desktop shortcuts: none (the desktop offers no portal",
            ": reports contrast 5",
        };
        std::string inputLine;
        std::string seen;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!awaited.empty() && std::chrono::steady_clock::now() < deadline) {
            const auto line = monctl.readLine(std::chrono::seconds(20));
            if (line.empty())
                continue;
            seen += line + "\n";
            std::erase_if(awaited, [&](const std::string& text) {
                const bool found = line.find(text) != std::string::npos;
                if (found && text == "input: ")
                    inputLine = line;
                return found;
            });
        }
        EXPECT_TRUE(awaited.empty()) << "not seen: " << awaited.front() << " in\n" << seen;
        EXPECT_TRUE(inputLine.find("input: uinput (libevdev)") != std::string::npos ||
                    inputLine.find("input: none (/dev/uinput cannot be opened") !=
                        std::string::npos)
            << inputLine;
    }
    weston.signal(SIGTERM);
    weston.wait();
}
