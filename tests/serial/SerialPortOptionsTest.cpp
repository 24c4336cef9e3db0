#include "SerialPortFixture.h"
#include "device/PortCommand.h"
#include "serial/PlatformTerminal.h"

#include <fcntl.h>
#include <unistd.h>

using namespace monctl;
using namespace monctl::test;

using SerialPortOptionsTest = SerialPortFixture;

namespace {

// The output speed, the bits of the flags the port sets or clears, and the read's VMIN, VTIME.
using Shown = std::tuple<speed_t, tcflag_t, tcflag_t, tcflag_t, cc_t, cc_t>;

Shown shown(const termios& settings) {
    return {::cfgetospeed(&settings),
            settings.c_cflag & (PARENB | CSTOPB | CRTSCTS | CREAD | CLOCAL | HUPCL),
            settings.c_lflag & (ECHO | ICANON | ISIG),
            settings.c_iflag & (ICRNL | IXON),
            settings.c_cc[VMIN],
            settings.c_cc[VTIME]};
}

constexpr tcflag_t rawControl = CREAD | CLOCAL | HUPCL;

} // namespace

// A pseudo-terminal forces eight bits without parity, so only the other settings show here.
TEST_F(SerialPortOptionsTest,
       OpenAppliesRaw115200AndWhatTheSettersStoredSettersOnAnOpenPortAtOnce) {
    openPort();
    EXPECT_EQ(shown(currentSettings()), (Shown{B115200, rawControl, 0, 0, 1, 2}));
    closePort();

    port->setNumberOfStopBits(2);
    port->setShouldEchoReceivedData(true);
    port->setBaudRate(9600);
    port->setParity(3);
    port->setRTS(true);
    EXPECT_EQ(port->parity(), SerialPort::parityNone);
    port->open();
    EXPECT_EQ(shown(currentSettings()), (Shown{B9600, rawControl | CSTOPB, ECHO, 0, 1, 2}));
    EXPECT_TRUE(port->RTS());

    port->setNumberOfStopBits(1);
    port->setShouldEchoReceivedData(false);
    port->setBaudRate(115200);
    port->setDTR(true);
    port->setRTS(false);
    EXPECT_EQ(shown(currentSettings()), (Shown{B115200, rawControl, 0, 0, 1, 2}));
    EXPECT_EQ(std::pair(port->DTR(), port->RTS()), std::pair(true, false));
    EXPECT_EQ(delegate->count("error"), 0u) << "modem lines on a pseudo-terminal are quiet";

    port->setBaudRate(250000); // not a standard speed: refused until allowed
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("error") == 1; }));
    EXPECT_EQ(delegate->calls.back().error.code, std::error_code(EINVAL, std::system_category()));
    EXPECT_EQ(platform::outputSpeed(port->fileDescriptor()), 115200u) << "earlier speed stays";

    port->setAllowsNonStandardBaudRates(true);
    port->setBaudRate(250000);
    EXPECT_EQ(platform::outputSpeed(port->fileDescriptor()), 250000u);
    EXPECT_EQ(currentSettings().c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

// Flow control Linux lacks is refused at once; RTS/CTS reopens an open port, which still talks.
TEST_F(SerialPortOptionsTest, FlowControl) {
    port->setUsesDTRDSRFlowControl(true);
    port->setUsesDCDOutputFlowControl(true);
    ASSERT_EQ(delegate->count("error"), 2u) << "reported on the main thread at once";
    for (const auto& call : delegate->calls)
        EXPECT_EQ(call.error.code, SerialError::settingNotAvailable);
    EXPECT_FALSE(port->usesDTRDSRFlowControl() || port->usesDCDOutputFlowControl());

    openPort();
    port->setUsesRTSCTSFlowControl(true);
    ASSERT_TRUE(port->isOpen());
    EXPECT_TRUE(currentSettings().c_cflag & CRTSCTS);
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("opened") == 2; }));
    EXPECT_EQ(delegate->operations(),
              (std::vector<std::string>{"error", "error", "opened", "closed", "opened"}));
    sendDataWithCommand(*port, 10, 16);
    ASSERT_TRUE(runMainUntil([&] { return delegate->count("data") == 1; }));
}

TEST_F(SerialPortOptionsTest, CloseRestoresTheSettingsFoundAtOpen) {
    const int other = ::open(simulator.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    termios before{};
    ::tcgetattr(other, &before);
    ::cfsetspeed(&before, B9600);
    before.c_lflag |= ECHO | ICANON;
    ASSERT_EQ(::tcsetattr(other, TCSANOW, &before), 0);
    openPort();
    closePort();
    termios after{};
    ::tcgetattr(other, &after);
    EXPECT_EQ(::cfgetospeed(&after), B9600);
    EXPECT_EQ(after.c_lflag & (ECHO | ICANON), tcflag_t{ECHO | ICANON});
    ::close(other);
}
