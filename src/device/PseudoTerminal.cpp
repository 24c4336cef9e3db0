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

PseudoTerminal::PseudoTerminal() {
    const auto fail = [this] {
        m_error = std::error_code(errno, std::system_category());
        close();
        m_devicePath.clear();
    };
    m_farEnd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_farEnd < 0) {
        fail();
        return;
    }
    std::array<char, 128> name{};
    if (::grantpt(m_farEnd) != 0 || ::unlockpt(m_farEnd) != 0 ||
        ::ptsname_r(m_farEnd, name.data(), name.size()) != 0) {
        fail();
        return;
    }
    m_devicePath = name.data();
    m_device = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_device < 0) {
        fail();
        return;
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
