#pragma once

#include "device/MonitorSimulator.h"
#include "serial/SerialPort.h"
#include "support/RecordingDelegate.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>
#include <memory>

namespace monctl::test {

// A port on a simulated monitor, with a recording delegate.
class SerialPortFixture : public testing::Test {
protected:
    void SetUp() override {
        port = SerialPort::serialPortWithPath(simulator.devicePath());
        ASSERT_NE(port, nullptr);
        port->setDelegate(delegate);
    }

    void TearDown() override {
        if (port && port->isOpen()) {
            port->close();
            runMainUntil([&] { return !port->isOpen(); });
        }
        mainQueue().runPending();
    }

    void openPort() {
        port->open();
        ASSERT_TRUE(port->isOpen());
        ASSERT_TRUE(runMainUntil([&] { return delegate->count("opened") == 1; }));
    }

    void closePort() {
        port->close();
        ASSERT_TRUE(runMainUntil([&] { return !port->isOpen() && delegate->count("closed") > 0; }));
    }

    termios currentSettings() const {
        termios settings{};
        EXPECT_EQ(::tcgetattr(port->fileDescriptor(), &settings), 0);
        return settings;
    }

    MonitorSimulator simulator;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<SerialPort> port;
};

} // namespace monctl::test
