#include "device/MonitorSimulator.h"
#include "platform/linux/UdevRegistry.h"
#include "serial/FixedPathRegistry.h"
#include "support/TestMain.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

TEST(UdevRegistry, ListsOnlyTheUsbSerialAdaptersOfThisMachine) {
    MonitorSimulator simulator; // a pseudo-terminal that must not be listed
    UdevRegistry registry;
    const auto start = registry.start([](const auto&) {}, [](const auto&) {});
    for (const auto& device : start.present) {
        SCOPED_TRACE(device.calloutPath);
        EXPECT_NE(device.calloutPath, simulator.devicePath());
        const auto sysfs = std::filesystem::canonical("/sys/class/tty/" + device.ttyDevice);
        EXPECT_NE(sysfs.string().find("/usb"), std::string::npos) << sysfs;
    }
    // Where the machine has a built-in UART, it is not offered for probing.
    EXPECT_TRUE(std::none_of(start.present.begin(), start.present.end(),
                             [](const auto& device) { return device.ttyDevice == "ttyS0"; }));
}

TEST(FixedPathRegistry, ReportsNamedPathsAsTheyAppearAndVanish) {
    MonitorSimulator simulator;
    const auto link =
        std::filesystem::temp_directory_path() / ("monctl-test-link-" + std::to_string(::getpid()));
    std::filesystem::remove(link);
    FixedPathRegistry registry({simulator.devicePath(), link.string(), simulator.devicePath()},
                               10ms);
    std::vector<DeviceRegistry::Batch> published;
    std::vector<DeviceRegistry::Batch> terminated;
    const auto start = registry.start([&](const auto& batch) { published.push_back(batch); },
                                      [&](const auto& batch) { terminated.push_back(batch); });
    ASSERT_EQ(start.present.size(), 1u)
        << "a missing path is not present; a repeated one counts once";
    EXPECT_EQ(start.present[0].calloutPath, simulator.devicePath());
    EXPECT_TRUE(start.hotPlugOffReason.empty());

    std::filesystem::create_symlink(simulator.devicePath(), link);
    ASSERT_TRUE(runMainUntil([&] { return published.size() == 1; }));
    ASSERT_EQ(published[0].size(), 1u);
    EXPECT_EQ(published[0][0].calloutPath, link.string());

    simulator.unplug();
    ASSERT_TRUE(runMainUntil([&] { return terminated.size() == 1; }));
    EXPECT_EQ(terminated[0].size(), 2u);
    EXPECT_TRUE(terminated[0][0].isSameDevice(start.present[0]));
    std::filesystem::remove(link);
}
