#include "device/MonitorSimulator.h"
#include "platform/linux/UdevRegistry.h"
#include "serial/FixedPathRegistry.h"
#include "support/TestMain.h"

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
        EXPECT_NE(device.ttyDevice, "ttyS0") << "a built-in UART is not offered for probing";
    }
}

TEST(FixedPathRegistry, FollowsNamedPathsAsTheKernelReportsThem) {
    MonitorSimulator simulator;
    MonitorSimulator other;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("monctl-test-links-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    const auto link = folder / "later" / "monitor"; // in a folder that is not there yet
    FixedPathRegistry registry({simulator.devicePath(), link.string(), simulator.devicePath()});
    std::vector<DeviceRegistry::Batch> published;
    std::vector<DeviceRegistry::Batch> terminated;
    const auto start = registry.start([&](const auto& batch) { published.push_back(batch); },
                                      [&](const auto& batch) { terminated.push_back(batch); });
    ASSERT_EQ(start.present.size(), 1u)
        << "a missing path is not present; a repeated one counts once";
    EXPECT_EQ(start.present[0].calloutPath, simulator.devicePath());
    EXPECT_TRUE(start.hotPlugOffReason.empty());

    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_symlink(simulator.terminalPath(), link);
    ASSERT_TRUE(runMainUntil([&] { return published.size() == 1; }));
    ASSERT_EQ(published[0].size(), 1u);
    EXPECT_EQ(published[0][0].calloutPath, link.string());

    // The link is pointed at another device, as a rename over it does.
    const auto retarget = folder / "later" / "next";
    std::filesystem::create_symlink(other.terminalPath(), retarget);
    std::filesystem::rename(retarget, link);
    ASSERT_TRUE(runMainUntil([&] { return published.size() == 2 && terminated.size() == 1; }));
    EXPECT_TRUE(terminated[0][0].isSameDevice(published[0][0]));
    EXPECT_EQ(published[1][0].calloutPath, link.string());

    simulator.unplug();
    ASSERT_TRUE(runMainUntil([&] { return terminated.size() == 2; }));
    ASSERT_EQ(terminated[1].size(), 1u);
    EXPECT_TRUE(terminated[1][0].isSameDevice(start.present[0]));
    other.unplug(); // the link's target goes, the link stays
    ASSERT_TRUE(runMainUntil([&] { return terminated.size() == 3; }));
    EXPECT_EQ(terminated[2][0].calloutPath, link.string());
    std::filesystem::remove_all(folder);
}
