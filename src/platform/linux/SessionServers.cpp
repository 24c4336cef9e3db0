#include "platform/SessionServers.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace monctl {
namespace {

using Clock = std::chrono::steady_clock;

class Socket {
public:
    Socket() : m_descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int descriptor() const { return m_descriptor; }

private:
    int m_descriptor;
};

// An abstract name starts with a zero byte.
std::optional<sockaddr_un> unixAddress(std::string_view path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto offset = abstract ? 1u : 0u;
    if (path.empty() || path.size() + offset >= sizeof(address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    return address;
}

socklen_t addressLength(const sockaddr_un& address) {
    const bool abstract = address.sun_path[0] == '\0';
    const auto path = std::strlen(address.sun_path + (abstract ? 1 : 0)) + (abstract ? 1 : 0);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path);
}

bool waitFor(int descriptor, short events, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd ready{descriptor, events, 0};
    return ::poll(&ready, 1, static_cast<int>(std::max<long long>(0, left.count()))) == 1;
}

// Connected, greeted, and nothing back (not even the end of the connection) in time; none
// when no connection could be made.
std::optional<bool> hangs(const sockaddr_un& address, std::string_view greeting,
                          std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    const Socket connection;
    if (connection.descriptor() < 0)
        return std::nullopt;
    if (::connect(connection.descriptor(), reinterpret_cast<const sockaddr*>(&address),
                  addressLength(address)) != 0) {
        // A full backlog: the server has stopped taking its connections.
        if (errno == EAGAIN)
            return true;
        if (errno != EINPROGRESS)
            return std::nullopt;
        if (!waitFor(connection.descriptor(), POLLOUT, deadline))
            return true;
    }
    if (::send(connection.descriptor(), greeting.data(), greeting.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(greeting.size()))
        return false;
    return !waitFor(connection.descriptor(), POLLIN, deadline);
}

// The start of an X connection: little-endian, protocol 11.0, no authorisation. The server
// answers it with its refusal or its setup either way.
constexpr char xSetupRequest[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// The first step of D-Bus authentication: the server answers with the mechanisms it offers.
constexpr std::string_view busAuthRequest{"\0AUTH\r\n", 7};

// The first unix transport of a D-Bus address list ("unix:path=/run/user/1000/bus,guid=...").
std::optional<sockaddr_un> busAddress(std::string_view addresses) {
    for (const std::string_view kind : {"unix:path=", "unix:abstract="}) {
        const auto at = addresses.find(kind);
        if (at == std::string_view::npos)
            continue;
        auto path = addresses.substr(at + kind.size());
        path = path.substr(0, path.find_first_of(",;"));
        return unixAddress(path, kind == "unix:abstract=");
    }
    return std::nullopt;
}

} // namespace

bool xServerHangs(std::chrono::milliseconds limit) {
    char* host = nullptr;
    int display = 0;
    if (!xcb_parse_display(nullptr, &host, &display, nullptr))
        return false;
    const bool local = host[0] == '\0' || std::string_view(host) == "unix";
    std::free(host);
    if (!local)
        return false;
    // The X server listens on both, and libxcb tries the abstract one first.
    const auto path = "/tmp/.X11-unix/X" + std::to_string(display);
    const std::string_view greeting(xSetupRequest, sizeof(xSetupRequest));
    for (const bool abstract : {true, false}) {
        const auto address = unixAddress(path, abstract);
        if (const auto answer = address ? hangs(*address, greeting, limit) : std::nullopt)
            return *answer;
    }
    return false;
}

bool sessionBusHangs(std::chrono::milliseconds limit) {
    std::string addresses;
    if (const char* configured = std::getenv("DBUS_SESSION_BUS_ADDRESS"); configured && *configured)
        addresses = configured;
    else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        addresses = std::string("unix:path=") + runtime + "/bus";
    const auto address = busAddress(addresses);
    return address && hangs(*address, busAuthRequest, limit).value_or(false);
}

} // namespace monctl
