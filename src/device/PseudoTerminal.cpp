#include "device/PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace monctl {
namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::system_category(), what);
}

} // namespace

PseudoTerminal::PseudoTerminal() {
    m_farEnd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_farEnd < 0)
        fail("posix_openpt");
    std::array<char, 128> name{};
    if (::grantpt(m_farEnd) != 0 || ::unlockpt(m_farEnd) != 0 ||
        ::ptsname_r(m_farEnd, name.data(), name.size()) != 0) {
        close();
        fail("pseudo-terminal set-up");
    }
    m_devicePath = name.data();
    m_device = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_device < 0) {
        close();
        fail("open pseudo-terminal device");
    }
    termios raw{};
    ::tcgetattr(m_device, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_device, TCSANOW, &raw);
}

PseudoTerminal::~PseudoTerminal() {
    close();
}

void PseudoTerminal::close() {
    if (m_device >= 0)
        ::close(std::exchange(m_device, -1));
    if (m_farEnd >= 0)
        ::close(std::exchange(m_farEnd, -1));
}

} // namespace monctl
