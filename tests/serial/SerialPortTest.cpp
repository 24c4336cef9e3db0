#include "SerialPortFixture.h"
#include "device/DeviceFrame.h"
#include "device/PortCommand.h"
#include "support/ChildProcess.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

bool lockIsFree(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    const bool free = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
    ::close(descriptor);
    return free;
}

} // namespace

using SerialPortTest = SerialPortFixture;

TEST_F(SerialPortTest, ConstructionFindsDevicesAndSharesLivePorts) {
    EXPECT_EQ(SerialPort::serialPortWithPath(""), nullptr);
    EXPECT_EQ(SerialPort::serialPortWithPath("/dev/no-such-serial-device"), nullptr);
    EXPECT_EQ(SerialPort::serialPortWithPath(simulator.devicePath()), port);
    EXPECT_EQ(port->name(), std::filesystem::path(simulator.devicePath()).filename().string());
    const auto path = port->path();
    port.reset();
    EXPECT_EQ(SerialPort::existingPortWithPath(path), nullptr);
    port = SerialPort::serialPortWithPath(path);
    EXPECT_NE(port, nullptr);
}

TEST_F(SerialPortTest, OpenCloseReopenAndWritesReportOnTheMainThread) {
    const auto mainThread = std::this_thread::get_id();
    EXPECT_FALSE(port->sendData(bytesOf("5FF50A10000000000000A0FA"))) << "not open";
    openPort();
    EXPECT_FALSE(lockIsFree(simulator.devicePath()));
    EXPECT_TRUE(port->close());
    closePort();
    EXPECT_TRUE(port->close()) << "closing a closed port does nothing";
    EXPECT_TRUE(lockIsFree(simulator.devicePath()));

    port->open();
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("opened") == 2; }));
    EXPECT_TRUE(port->sendData({}));
    sendDataWithCommand(*port, 7, 1);   // outside the protocol: not written
    sendDataWithCommand(*port, 1, 300); // cut to eight bits, unchecked
    sendDataWithCommand(*port, 10, 16);
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("data") > 0; }));
    EXPECT_EQ(simulator.receivedFrames(),
              (std::vector<std::string>{"5FF5012C000000000000A0FA", "5FF50A10000000000000A0FA"}));
    const auto frame = DeviceFrame::decode(delegate->calls.back().data);
    ASSERT_TRUE(frame && frame->isComplete());
    EXPECT_EQ(frame->commandReValue, 16u) << "the identity reply";
    EXPECT_EQ(delegate->operations(),
              (std::vector<std::string>{"opened", "closed", "opened", "data"}));
    for (const auto& call : delegate->calls)
        EXPECT_EQ(call.thread, mainThread) << call.operation;
}

// Bytes the device sent before the port was opened answered someone else; what it sends later
// arrives whole and in order.
TEST_F(SerialPortTest, WhatTheDeviceSendsAfterTheOpenIsReadWholeAndInOrder) {
    const auto stale = MonitorSimulator::deviceFrame(6, 5);
    simulator.sendRaw(stale);
    const int watcher = ::open(simulator.devicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(watcher, 0);
    int queued = 0;
    ASSERT_TRUE(runMainUntil([&] {
        return ::ioctl(watcher, FIONREAD, &queued) == 0 && queued == static_cast<int>(stale.size());
    }));
    ::close(watcher);
    openPort();
    std::string sent;
    while (sent.size() < 5000)
        sent += "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    simulator.sendRaw(sent);
    ASSERT_TRUE(runMainUntil([&] { return delegate->receivedBytes().size() >= sent.size(); }));
    EXPECT_EQ(delegate->receivedBytes(), bytesOf(sent));
    for (const auto& call : delegate->calls)
        EXPECT_LE(call.data.size(), 1024u);
}

// Also while another program (the pseudo-terminal's own) keeps it open. Root passes the
// kernel's exclusive flag, so the other user is a real one.
TEST_F(SerialPortTest, AnotherUserMayOpenTheTerminalOnceThePortHasClosed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "running a command as another user needs root";
    ASSERT_EQ(::chmod(simulator.terminalPath().c_str(), 0666), 0);
    const auto openAsNobody = [&] {
        ChildProcess opener({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "sh",
                             "-c", "exec 3<>\"$1\"", "sh", simulator.terminalPath()});
        const int status = opener.wait();
        return std::pair(status, opener.errors());
    };
    openPort();
    const auto [refused, why] = openAsNobody();
    EXPECT_NE(refused, 0);
    EXPECT_NE(why.find("busy"), std::string::npos) << why;
    closePort();
    EXPECT_EQ(openAsNobody(), std::pair(0, std::string()));
}

// Linux frees a descriptor even when its close fails: the port counts as closed, and nothing
// it does later uses the number, which may belong to another file by then.
TEST_F(SerialPortTest, AFailedCloseStillClosesThePort) {
    openPort();
    ASSERT_EQ(::close(port->fileDescriptor()), 0); // closed behind the port's back
    port->close();
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("closed") == 1 && !port->isOpen(); }));
    EXPECT_EQ(delegate->operations(), (std::vector<std::string>{"opened", "error", "closed"}));
    EXPECT_EQ(delegate->calls[1].error.code, std::error_code(EBADF, std::system_category()));
    EXPECT_FALSE(port->sendData(bytesOf("5FF50301000000000000A0FA")));
}

TEST_F(SerialPortTest, UnplugIsReportedThenTheDelegateToldThenThePortClosed) {
    openPort();
    simulator.unplug();
    ASSERT_TRUE(runMainUntil([&] { return !port->isOpen() && delegate->count("closed") == 1; }));
    EXPECT_EQ(delegate->operations(),
              (std::vector<std::string>{"opened", "error", "removed", "closed"}));
    EXPECT_EQ(delegate->calls[1].error.code, std::error_code(EIO, std::system_category()));

    // The port manager's removal of the same device is the same removal: told once.
    port->cleanupAfterSystemRemoval();
    EXPECT_EQ(delegate->count("removed"), 1u);
}

TEST_F(SerialPortTest, ACleanedUpOrDroppedOpenPortReleasesItsDevice) {
    openPort();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    port->cleanup();
#pragma GCC diagnostic pop
    ASSERT_TRUE(runMainUntil([&] { return !port->isOpen(); }));
    EXPECT_EQ(delegate->count("removed"), 1u);
    port->open();
    ASSERT_TRUE(port->isOpen());
    port.reset();
    EXPECT_TRUE(runMainUntil([&] { return lockIsFree(simulator.devicePath()); }));
}
