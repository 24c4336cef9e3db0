#include "serial/LineSettings.h"

namespace monctl {
namespace {

void setBits(tcflag_t& flags, tcflag_t bits, bool on) {
    if (on)
        flags |= bits;
    else
        flags &= ~bits;
}

} // namespace

termios LineSettings::terminalSettings(termios settings) const {
    ::cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 2;
    setBits(settings.c_iflag, ICRNL | IXON, false);
    if (numberOfDataBits == 7 || numberOfDataBits == 8) {
        setBits(settings.c_cflag, CSIZE, false);
        setBits(settings.c_cflag, numberOfDataBits == 7 ? CS7 : CS8, true);
    }
    setBits(settings.c_cflag, PARENB, parity == parityOdd || parity == parityEven);
    setBits(settings.c_cflag, PARODD, parity == parityOdd);
    setBits(settings.c_cflag, CSTOPB, numberOfStopBits > 1);
    setBits(settings.c_lflag, ECHO, shouldEchoReceivedData);
    setBits(settings.c_cflag, CRTSCTS, usesRTSCTSFlowControl);
    setBits(settings.c_cflag, CREAD | CLOCAL | HUPCL, true);
    setBits(settings.c_lflag, ICANON | ISIG, false);
    return settings;
}

} // namespace monctl
