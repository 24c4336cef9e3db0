#pragma once

#include "device/MonitorSimulator.h"
#include "serial/SerialPort.h"
#include "support/RecordingDelegate.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>
#include <memory>

namespace monctl::test {

// A port on a simulated monitor of its own, with a recording delegate; closed at the end.
struct SimulatedPort {
    SimulatedPort() : port(SerialPort::serialPortWithPath(simulator.devicePath())) {
        if (port)
            port->setDelegate(delegate);
    }
    ~SimulatedPort() {
        if (port && port->isOpen()) {
            port->close();
            runMainUntil([&] { return !port->isOpen(); });
        }
        mainQueue().runPending();
    }

    MonitorSimulator simulator;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<SerialPort> port;
};

class SerialPortFixture : public testing::Test, protected SimulatedPort {
protected:
    void SetUp() override { ASSERT_NE(port, nullptr); }

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
};

} // namespace monctl::test
