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
using namespace std::chrono_literals;
using Ports = SerialPortManager::Ports;
using Change = SerialPortManager::PortListChange;

namespace {

// Everything observable about the manager, in the order it happened.
struct Journal {
    std::vector<std::string> events;
    std::vector<Change> changes;
    std::vector<Ports> connected;
    std::vector<Ports> disconnected;
    Connection list;
    Connection connections;
    Connection disconnections;

    void watch(SerialPortManager& manager) {
        list = manager.observeAvailablePorts([this](const Change& change) {
            changes.push_back(change);
            events.push_back(change.kind == Change::Kind::insertion ? "inserted" : "removed");
        });
        auto& center = NotificationCenter::defaultCenter();
        connections = center.addObserver(
            SerialPortManager::SerialPortWasConnectedNotification, [this](const Notification& n) {
                connected.push_back(std::any_cast<Ports>(
                    n.userInfo.at(SerialPortManager::ConnectedSerialPortsKey)));
                events.push_back("connected");
            });
        disconnections =
            center.addObserver(SerialPortManager::SerialPortWasDisconnectedNotification,
                               [this](const Notification& n) {
                                   disconnected.push_back(std::any_cast<Ports>(n.userInfo.at(
                                       SerialPortManager::DisconnectedSerialPortsKey)));
                                   events.push_back("disconnected");
                               });
    }
};

// A delegate that also writes its removal into the journal.
class JournalDelegate final : public SerialPortDelegateOf<JournalDelegate> {
public:
    explicit JournalDelegate(Journal& journal) : m_journal(journal) {}
    void wasRemovedFromSystem(SerialPort& port) override {
        m_journal.events.push_back("told " + port.name());
    }

private:
    Journal& m_journal;
};

SerialDevice deviceOf(const MonitorSimulator& simulator) {
    return SerialDevice::fromPath(simulator.devicePath()).value();
}

std::vector<std::string> pathsOf(const Ports& ports) {
    std::vector<std::string> paths;
    for (const auto& port : ports)
        paths.push_back(port->path());
    return paths;
}

// Each test builds a manager of its own.
class SerialPortManagerTest : public testing::Test {
protected:
    ~SerialPortManagerTest() override { SerialPortManager::reset(); }

    SerialPortManager& freshManager(std::unique_ptr<DeviceRegistry> registry) {
        SerialPortManager::reset();
        EXPECT_TRUE(SerialPortManager::useRegistry(std::move(registry)));
        auto& manager = SerialPortManager::sharedSerialPortManager();
        journal.watch(manager);
        return manager;
    }

    FakeRegistry* fakeWith(std::vector<SerialDevice> present) {
        auto registry = std::make_unique<FakeRegistry>(std::move(present));
        auto* fake = registry.get();
        freshManager(std::move(registry));
        return fake;
    }

    MonitorSimulator first;
    MonitorSimulator second;
    MonitorSimulator third;
    Journal journal;
};

} // namespace

TEST_F(SerialPortManagerTest, StartListsInTheRegistrysOrderABatchOfNewDevicesGoesAtTheEnd) {
    auto* registry = fakeWith({deviceOf(second), deviceOf(first)});
    auto& manager = SerialPortManager::sharedSerialPortManager();
    EXPECT_EQ(manager.objectInAvailablePortsAtIndex(1),
              SerialPort::existingPortWithPath(first.devicePath()));
    EXPECT_FALSE(SerialPortManager::useRegistry(std::make_unique<FakeRegistry>()));
    EXPECT_EQ(&SerialPortManager::sharedSerialPortManager(), &manager);
    EXPECT_TRUE(journal.events.empty());

    registry->publish({deviceOf(third), deviceOf(first)});
    ASSERT_TRUE(runMainUntil([&] { return journal.connected.size() == 1; }));
    EXPECT_EQ(journal.events, (std::vector<std::string>{"inserted", "connected"}));
    EXPECT_EQ(journal.changes[0].indexes, std::vector<std::size_t>{2});
    EXPECT_EQ(pathsOf(journal.connected[0]), std::vector<std::string>{third.devicePath()})
        << "a device already listed adds nothing";
    EXPECT_EQ(
        pathsOf(manager.availablePorts()),
        (std::vector<std::string>{second.devicePath(), first.devicePath(), third.devicePath()}));
}

TEST_F(SerialPortManagerTest, RemovalTellsTheDelegateThenChangesTheListThenAnnounces) {
    auto* registry = fakeWith({deviceOf(first), deviceOf(second)});
    auto& manager = SerialPortManager::sharedSerialPortManager();
    auto port = manager.objectInAvailablePortsAtIndex(1);
    auto delegate = std::make_shared<JournalDelegate>(journal);
    port->setDelegate(delegate);
    port->open();
    ASSERT_TRUE(port->isOpen());

    registry->terminate({deviceOf(second)});
    ASSERT_TRUE(runMainUntil([&] { return journal.disconnected.size() == 1; }));
    EXPECT_EQ(journal.events,
              (std::vector<std::string>{"told " + port->name(), "removed", "disconnected"}));
    EXPECT_EQ(journal.changes[0].indexes, std::vector<std::size_t>{1});
    EXPECT_EQ(journal.disconnected[0], Ports{port});
    EXPECT_EQ(pathsOf(manager.availablePorts()), std::vector<std::string>{first.devicePath()});
    EXPECT_TRUE(runMainUntil([&] { return !port->isOpen(); }));

    // A device that is not listed: its port is still cleaned up and announced.
    registry->terminate({deviceOf(third)});
    ASSERT_TRUE(runMainUntil([&] { return journal.disconnected.size() == 2; }));
    EXPECT_EQ(pathsOf(journal.disconnected[1]), std::vector<std::string>{third.devicePath()});
    EXPECT_EQ(journal.changes.size(), 1u);
    EXPECT_EQ(manager.countOfAvailablePorts(), 1u);
}

TEST_F(SerialPortManagerTest, ADeviceReplacedAtItsPathWithinOneBatchStaysListed) {
    auto* registry = fakeWith({deviceOf(first), deviceOf(second)});
    auto& manager = SerialPortManager::sharedSerialPortManager();
    // A USB reset: the device goes and comes back at the same path, all in one batch.
    auto successor = deviceOf(second);
    successor.identity += " again";
    DeviceChangeBatch reset;
    reset.appeared(successor);
    reset.vanished(deviceOf(second));
    // A device that came and went within the batch is not handed on.
    reset.appeared(deviceOf(third));
    reset.vanished(deviceOf(third));
    registry->deliver(reset);
    ASSERT_TRUE(runMainUntil([&] { return journal.connected.size() == 1; }));
    EXPECT_EQ(journal.events,
              (std::vector<std::string>{"removed", "disconnected", "inserted", "connected"}));
    EXPECT_EQ(pathsOf(journal.connected[0]), std::vector<std::string>{second.devicePath()});
    EXPECT_EQ(pathsOf(manager.availablePorts()),
              (std::vector<std::string>{first.devicePath(), second.devicePath()}));
}

TEST_F(SerialPortManagerTest, SleepClosesTheOpenPortsAndWakeReopensThem) {
    // The second device is reached through a link, so that it can vanish for good: a freed
    // pseudo-terminal number may be handed to another process at once.
    const auto link =
        std::filesystem::temp_directory_path() / ("monctl-sleep-" + std::to_string(::getpid()));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.devicePath(), link);
    fakeWith({deviceOf(first), SerialDevice::fromPath(link.string()).value(), deviceOf(third)});
    auto& manager = SerialPortManager::sharedSerialPortManager();
    manager.systemDidWake(); // without sleep: nothing
    EXPECT_TRUE(manager.portsToReopenAfterSleep().empty());

    auto open = manager.objectInAvailablePortsAtIndex(1);
    auto delegate = std::make_shared<RecordingDelegate>();
    open->setDelegate(delegate);
    open->open();
    manager.systemWillSleep();
    EXPECT_EQ(manager.portsToReopenAfterSleep(), Ports{open});
    ASSERT_TRUE(runMainUntil([&] { return !open->isOpen(); }));
    EXPECT_FALSE(manager.objectInAvailablePortsAtIndex(0)->isOpen());
    EXPECT_EQ(manager.countOfAvailablePorts(), 3u);

    manager.systemDidWake();
    EXPECT_TRUE(open->isOpen());
    EXPECT_TRUE(manager.portsToReopenAfterSleep().empty());
    EXPECT_FALSE(manager.objectInAvailablePortsAtIndex(2)->isOpen());

    // A port unplugged while asleep is tried once on wake, then forgotten.
    manager.systemWillSleep();
    ASSERT_TRUE(runMainUntil([&] { return !open->isOpen(); }));
    std::filesystem::remove(link);
    manager.systemDidWake();
    EXPECT_FALSE(open->isOpen());
    EXPECT_TRUE(manager.portsToReopenAfterSleep().empty());
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
    const auto removal = output.find("removed ");
    EXPECT_NE(removal, std::string::npos) << output;
    EXPECT_EQ(output.find("removed ", removal + 1), std::string::npos) << "told once: " << output;
}

TEST_F(SerialPortManagerTest, ASimulatorGivenAsAFixedPathComesAndGoes) {
    auto& manager = freshManager(
        std::make_unique<FixedPathRegistry>(std::vector<std::string>{first.devicePath()}));
    ASSERT_EQ(pathsOf(manager.availablePorts()), std::vector<std::string>{first.devicePath()});
    auto port = manager.objectInAvailablePortsAtIndex(0);
    auto delegate = std::make_shared<JournalDelegate>(journal);
    port->setDelegate(delegate);
    port->open();

    first.unplug();
    ASSERT_TRUE(runMainUntil([&] { return journal.disconnected.size() == 1; }));
    EXPECT_EQ(journal.events.front(), "told " + port->name());
    EXPECT_EQ(journal.events.back(), "disconnected");
    EXPECT_TRUE(manager.availablePorts().empty());
    EXPECT_EQ(journal.disconnected[0], Ports{port});
}
