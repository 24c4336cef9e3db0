#include "device/MonitorSimulator.h"
#include "platform/linux/UdevRegistry.h"
#include "serial/FixedPathRegistry.h"
#include "support/TestMain.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

TEST(UdevRegistry, ListsOnlyHardwareSerialPortsOfThisMachine) {
    MonitorSimulator simulator; // a pseudo-terminal that must not be listed
    UdevRegistry registry;
    const auto start = registry.start([](const auto&) {}, [](const auto&) {});
    for (const auto& device : start.present) {
        SCOPED_TRACE(device.calloutPath);
        struct stat status {};
        ASSERT_EQ(::stat(device.calloutPath.c_str(), &status), 0);
        EXPECT_TRUE(S_ISCHR(status.st_mode));
        EXPECT_FALSE(device.calloutPath.starts_with("/dev/pts/"));
        EXPECT_NE(device.calloutPath, simulator.devicePath());
        EXPECT_FALSE(device.ttyDevice.starts_with("tty") && std::isdigit(device.ttyDevice[3]))
            << "a virtual console";
        if (device.ttyDevice.starts_with("ttyS")) {
            const int descriptor =
                ::open(device.calloutPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            ASSERT_GE(descriptor, 0);
            serial_struct serial{};
            if (::ioctl(descriptor, TIOCGSERIAL, &serial) == 0) {
                EXPECT_NE(serial.type, PORT_UNKNOWN) << "a phantom port";
            }
            ::close(descriptor);
        }
    }
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
