#include "device/DeviceLink.h"

#include "device/DeviceLinkDelegate.h"
#include "device/MonitorSimulator.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"
#include "support/RecordingReport.h"
#include "support/TestMain.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

bool received(const MonitorSimulator& simulator, const std::string& frame) {
    const auto frames = simulator.receivedFrames();
    return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

// The device link as the control panel drives it: on every change of the list the first
// monitor becomes the active one and is read back.
class DeviceLinkTest : public testing::Test {
protected:
    ~DeviceLinkTest() override { SerialPortManager::reset(); }

    void start(const std::vector<std::string>& paths) {
        SerialPortManager::reset();
        SerialPortManager::useRegistry(std::make_unique<FixedPathRegistry>(paths));
        report->onListChanged = [this] {
            if (ports->empty())
                return;
            link.currentDisplayPort(0);
            for (int parameter : {1, 2, 4})
                link.sendCommand(10, parameter);
        };
        link.initSerialPorts();
        link.adoptValidPorts(ports, report);
        link.startProbe();
    }

    std::shared_ptr<SerialPort> portOf(const MonitorSimulator& simulator) const {
        return SerialPort::existingPortWithPath(simulator.devicePath());
    }

    DeviceLink link;
    std::shared_ptr<PortList> ports = std::make_shared<PortList>();
    std::shared_ptr<RecordingReport> report = std::make_shared<RecordingReport>();
};

} // namespace

TEST_F(DeviceLinkTest, MonitorsAreListedAsTheyAnswerAndTheSilentDeviceIsLetGo) {
    MonitorSimulator slow;
    MonitorSimulator quick;
    MonitorSimulator silent;
    slow.setAnswerDelay(150ms);
    silent.setSilent(true);
    start({slow.devicePath(), silent.devicePath(), quick.devicePath()});
    ASSERT_TRUE(runMainUntil([&] { return ports->size() == 2; }));
    EXPECT_EQ(*ports, (PortList{portOf(quick), portOf(slow)}));
    link.currentDisplayPort(-1);
    link.currentDisplayPort(2);
    EXPECT_EQ(link.state().currentPort, portOf(quick)) << "no such monitor: the choice stays";

    // The command table applies: an out-of-range mode is replaced, a read-back is refused.
    EXPECT_TRUE(link.sendCommand(2, 5));
    EXPECT_FALSE(link.sendCommand(10, 5));
    ASSERT_TRUE(runMainUntil([&] { return received(quick, "5FF50202000000000000A0FA"); }));
    EXPECT_FALSE(received(slow, "5FF50202000000000000A0FA"));

    // The silent device heard the probe and nothing else, and is closed after a while.
    ASSERT_TRUE(runMainUntil([&] { return !portOf(silent)->isOpen(); }, 6s));
    EXPECT_EQ(silent.receivedFrames(), std::vector<std::string>{"5FF50A10000000000000A0FA"});
    EXPECT_TRUE(portOf(quick)->isOpen());
    EXPECT_EQ(ports->size(), 2u);
}

TEST_F(DeviceLinkTest, UnpluggedPortsLeaveTheListAndAMonitorPluggedInLaterIsAdopted) {
    MonitorSimulator monitor;
    MonitorSimulator silent;
    MonitorSimulator later;
    silent.setSilent(true);
    const auto laterPath =
        std::filesystem::temp_directory_path() / ("monctl-later-" + std::to_string(::getpid()));
    std::filesystem::remove(laterPath);
    start({monitor.devicePath(), silent.devicePath(), laterPath.string()});
    ASSERT_TRUE(runMainUntil([&] { return report->calls.size() == 4; })); // listed, read back
    report->calls.clear();
    silent.unplug();
    ASSERT_TRUE(runMainUntil([&] { return !report->calls.empty(); }));
    EXPECT_EQ(report->calls.front(), "list changed");
    EXPECT_EQ(ports->size(), 1u) << "a port that never answered leaves the list alone";
    EXPECT_EQ(link.state().portHelper->serialPort(), nullptr);

    const auto active = link.state().currentPort;
    monitor.unplug();
    ASSERT_TRUE(runMainUntil([&] { return ports->empty() && !active->isOpen(); }));
    EXPECT_EQ(link.state().currentPort, active) << "the active port stays";
    EXPECT_FALSE(link.sendCommand(1, 5));

    std::filesystem::create_symlink(later.terminalPath(), laterPath);
    ASSERT_TRUE(runMainUntil([&] { return ports->size() == 1; }));
    EXPECT_TRUE(link.sendCommand(1, 5));
    EXPECT_TRUE(runMainUntil([&] { return received(later, "5FF50105000000000000A0FA"); }));
    std::filesystem::remove(laterPath);
}

// How the stream is cut and what garbage it holds is the frame assembler's; here each port
// has one, every frame of a read counts, and only an identified monitor drives the computer.
TEST_F(DeviceLinkTest, MonitorFramesReachTheTargetHoweverTheyArrive) {
    MonitorSimulator monitor({7, 3, 2}, nullptr);
    MonitorSimulator stranger;
    stranger.setSilent(true);
    start({monitor.devicePath(), stranger.devicePath()});
    ASSERT_TRUE(runMainUntil([&] { return report->calls.size() == 4; }));
    EXPECT_EQ(report->calls,
              (std::vector<std::string>{"list changed", "contrast 7", "mode 3", "speed 2"}));
    report->calls.clear();

    stranger.sendButton(11);
    stranger.sendRaw(MonitorSimulator::deviceFrame(0x01, 2));
    monitor.sendButton(3);
    monitor.sendRaw(MonitorSimulator::deviceFrame(0x01, 9) +
                    MonitorSimulator::deviceFrame(0x06, 20));
    monitor.sendRaw(MonitorSimulator::identityReply()); // listed once all the same
    monitor.sendButton(5);
    monitor.sendSplit("zz5FF50611", 30ms); // two reads cut the marker
    ASSERT_TRUE(runMainUntil(
        [&] { return !report->calls.empty() && report->calls.back() == "long move 0 70"; }));
    EXPECT_EQ(report->calls, (std::vector<std::string>{"key 125", "contrast 9", "long move 0 0",
                                                       "key 49", "long move 0 70"}));
    EXPECT_EQ(ports->size(), 1u);
}

// A port another program (ModemManager) holds when it is probed is found once it is let go.
TEST_F(DeviceLinkTest, AMonitorWhosePortWasBusyIsFoundOnceItIsFree) {
    MonitorSimulator monitor;
    const int holder = ::open(monitor.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    int busy = 0;
    const auto errors = link.state().portErrors.connect([&](const auto&, const SerialPortError& e) {
        busy += e.code == std::errc::device_or_resource_busy && e.path == monitor.devicePath();
    });
    start({monitor.devicePath()});
    ASSERT_TRUE(runMainUntil([&] { return busy >= 2; })) << "tried again while held";
    EXPECT_TRUE(ports->empty());
    ::close(holder);
    ASSERT_TRUE(runMainUntil([&] { return ports->size() == 1; }));
    EXPECT_EQ(link.state().currentPort, portOf(monitor));
}
