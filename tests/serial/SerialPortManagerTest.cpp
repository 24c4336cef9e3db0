#include "serial/SerialPortManager.h"

#include "device/MonitorSimulator.h"
#include "runtime/NotificationCenter.h"
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPort.h"
#include "support/ChildProcess.h"
#include "support/FakeRegistry.h"
#include "support/RecordingDelegate.h"
#include "support/TestMain.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
using Ports = SerialPortManager::Ports;
using Change = SerialPortManager::PortListChange;
using Log = std::vector<std::string>;

namespace {

SerialDevice deviceOf(const MonitorSimulator& simulator) {
    return SerialDevice::fromPath(simulator.devicePath()).value();
}

std::string pathsOf(const Ports& ports) {
    std::string paths;
    for (const auto& port : ports)
        paths += " " + port->path();
    return paths;
}

class LoggingDelegate final : public SerialPortDelegateOf<LoggingDelegate> {
public:
    explicit LoggingDelegate(Log& log) : m_log(log) {}
    void wasRemovedFromSystem(SerialPort& port) override { m_log.push_back("told " + port.path()); }

private:
    Log& m_log;
};

// Logs the manager's list changes and notices in order, e.g. "inserted 2", "connected /dev/pts/4".
class SerialPortManagerTest : public testing::Test {
protected:
    ~SerialPortManagerTest() override { SerialPortManager::reset(); }

    FakeRegistry* fakeWith(std::vector<SerialDevice> present) {
        SerialPortManager::reset();
        auto registry = std::make_unique<FakeRegistry>(std::move(present));
        auto* fake = registry.get();
        EXPECT_TRUE(SerialPortManager::useRegistry(std::move(registry)));
        m_list = manager().observeAvailablePorts([this](const Change& change) {
            log.emplace_back(change.kind == Change::Kind::insertion ? "inserted" : "removed");
            for (const auto index : change.indexes)
                log.back() += " " + std::to_string(index);
        });
        const auto logPorts = [this](const char* name, const char* key) {
            return NotificationCenter::defaultCenter().addObserver(
                name, [this, name, key](const Notification& notice) {
                    log.push_back(name + pathsOf(std::any_cast<Ports>(notice.userInfo.at(key))));
                });
        };
        m_connections = logPorts(SerialPortManager::SerialPortWasConnectedNotification,
                                 SerialPortManager::ConnectedSerialPortsKey);
        m_disconnections = logPorts(SerialPortManager::SerialPortWasDisconnectedNotification,
                                    SerialPortManager::DisconnectedSerialPortsKey);
        return fake;
    }

    static SerialPortManager& manager() { return SerialPortManager::sharedSerialPortManager(); }

    MonitorSimulator first;
    MonitorSimulator second;
    MonitorSimulator third;
    Log log;

private:
    Connection m_list;
    Connection m_connections;
    Connection m_disconnections;
};

} // namespace

TEST_F(SerialPortManagerTest, BatchesOfNewAndGoneDevicesChangeTheListInTheRegistrysOrder) {
    auto* registry = fakeWith({deviceOf(second), deviceOf(first)});
    EXPECT_EQ(manager().objectInAvailablePortsAtIndex(1),
              SerialPort::existingPortWithPath(first.devicePath()));
    EXPECT_FALSE(SerialPortManager::useRegistry(std::make_unique<FakeRegistry>()));
    const auto connected = std::string(SerialPortManager::SerialPortWasConnectedNotification) + " ";
    const auto disconnected =
        std::string(SerialPortManager::SerialPortWasDisconnectedNotification) + " ";

    registry->publish({deviceOf(third), deviceOf(first)}); // one already listed
    ASSERT_TRUE(runMainUntil([&] { return log.size() == 2; }));
    EXPECT_EQ(log, (Log{"inserted 2", connected + third.devicePath()}));
    EXPECT_EQ(pathsOf(manager().availablePorts()),
              " " + second.devicePath() + " " + first.devicePath() + " " + third.devicePath());

    // The delegate hears first, then the list changes, then the notice goes out.
    log.clear();
    auto port = manager().objectInAvailablePortsAtIndex(1);
    const auto delegate = std::make_shared<LoggingDelegate>(log);
    port->setDelegate(delegate);
    port->open();
    registry->terminate({deviceOf(first)});
    ASSERT_TRUE(runMainUntil([&] { return log.size() == 3 && !port->isOpen(); }));
    const auto gone = disconnected + first.devicePath();
    EXPECT_EQ(log, (Log{"told " + first.devicePath(), "removed 1", gone}));

    // A device that is not listed: its port is still cleaned up and announced.
    log.clear();
    registry->terminate({deviceOf(first)});
    ASSERT_TRUE(runMainUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, Log{gone});

    // A USB reset: the device goes and comes back at the same path, all in one batch. A device
    // that came and went within the batch is not handed on.
    log.clear();
    auto successor = deviceOf(third);
    successor.identity += " again";
    DeviceChangeBatch reset;
    reset.appeared(successor);
    reset.vanished(deviceOf(third));
    reset.appeared(deviceOf(first));
    reset.vanished(deviceOf(first));
    registry->deliver(reset);
    ASSERT_TRUE(runMainUntil([&] { return log.size() == 4; }));
    EXPECT_EQ(log, (Log{"removed 1", disconnected + third.devicePath(), "inserted 1",
                        connected + third.devicePath()}));
    EXPECT_EQ(manager().countOfAvailablePorts(), 2u);
}

TEST_F(SerialPortManagerTest, SleepClosesTheOpenPortsAndWakeReopensThem) {
    // The second device is reached through a link, so that it can vanish for good: a freed
    // pseudo-terminal number may be handed to another process at once.
    const auto link =
        std::filesystem::temp_directory_path() / ("monctl-sleep-" + std::to_string(::getpid()));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.devicePath(), link);
    fakeWith({deviceOf(first), SerialDevice::fromPath(link.string()).value()});
    manager().systemDidWake(); // without sleep: nothing
    auto open = manager().objectInAvailablePortsAtIndex(1);
    auto delegate = std::make_shared<RecordingDelegate>();
    open->setDelegate(delegate);
    open->open();
    manager().systemWillSleep();
    EXPECT_EQ(manager().portsToReopenAfterSleep(), Ports{open});
    ASSERT_TRUE(runMainUntil([&] { return !open->isOpen(); }));
    manager().systemDidWake();
    EXPECT_TRUE(open->isOpen());
    EXPECT_FALSE(manager().objectInAvailablePortsAtIndex(0)->isOpen());

    // A port unplugged while asleep is tried once on wake, then forgotten.
    manager().systemWillSleep();
    ASSERT_TRUE(runMainUntil([&] { return !open->isOpen(); }));
    std::filesystem::remove(link);
    manager().systemDidWake();
    EXPECT_FALSE(open->isOpen());
    EXPECT_TRUE(manager().portsToReopenAfterSleep().empty());
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("error") == 1; }));
    EXPECT_EQ(delegate->calls.back().error.code, std::error_code(ENOENT, std::system_category()));
}

// The body of the exit test, in a process of its own: it opens one listed port and exits.
TEST(SerialPortManagerAtExit, ChildOpensAPortAndExits) {
    if (!std::getenv("MONCTL_AT_EXIT_CHILD"))
        GTEST_SKIP() << "run by EveryListedPortIsCleanedUp";
    class Reporter final : public SerialPortDelegateOf<Reporter> {
    public:
        void wasRemovedFromSystem(SerialPort& port) override {
            std::printf("removed %s\n", port.path().c_str());
            std::fflush(stdout);
        }
    };
    static MonitorSimulator simulator; // made before the manager, so it outlives its exit handler
    SerialPortManager::reset();
    SerialPortManager::useRegistry(
        std::make_unique<FixedPathRegistry>(std::vector<std::string>{simulator.devicePath()}));
    auto& manager = SerialPortManager::sharedSerialPortManager();
    auto reporter = std::make_shared<Reporter>(); // std::exit leaves it alive
    manager.objectInAvailablePortsAtIndex(0)->setDelegate(reporter);
    manager.objectInAvailablePortsAtIndex(0)->open();
    std::exit(manager.countOfAvailablePorts() == 1 ? 0 : 3);
}

TEST(SerialPortManagerAtExit, EveryListedPortIsCleanedUp) {
    ChildProcess child({"/usr/bin/env", "MONCTL_AT_EXIT_CHILD=1",
                        std::filesystem::read_symlink("/proc/self/exe").string(),
                        "--gtest_filter=SerialPortManagerAtExit.ChildOpensAPortAndExits"});
    EXPECT_EQ(child.wait(), 0) << child.errors();
    const auto output = child.output();
    EXPECT_NE(output.find("removed "), std::string::npos) << output;
    EXPECT_EQ(output.find("removed "), output.rfind("removed ")) << "told once: " << output;
}
