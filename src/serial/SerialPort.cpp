#include "serial/SerialPort.h"

#include "runtime/MainQueue.h"
#include "runtime/ReadSource.h"
#include "runtime/RepeatingTimer.h"
#include "serial/LiveSerialPorts.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPortDelegateCalls.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <spdlog/spdlog.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace monctl {
namespace {

constexpr std::size_t readChunkSize = 1024;
constexpr auto pinPollInterval = std::chrono::milliseconds(10);

bool interrupted(ssize_t result) {
    return result < 0 && errno == EINTR;
}

// Used when the port object is already gone: puts the device back as it was found.
void closeQuietly(int descriptor, const std::optional<termios>& original) {
    if (original)
        ::tcsetattr(descriptor, TCSANOW, &*original);
    ::close(descriptor);
}

} // namespace

SerialPort::SerialPort(Private, const SerialDevice& device)
    : m_device(device), m_path(device.calloutPath), m_name(device.ttyDevice) {}

SerialPort::~SerialPort() {
    LiveSerialPorts::removeSerialPort(this);
    std::lock_guard lock(m_sourcesMutex);
    if (m_pinPollTimer)
        m_pinPollTimer->cancel();
    if (m_readPollSource)
        m_readPollSource->cancel(); // its cancel handler closes the descriptor
}

std::shared_ptr<SerialPort> SerialPort::serialPortWithPath(const std::string& path) {
    const auto device = deviceFromBSDPath(path);
    return device ? serialPortWithDevice(*device) : nullptr;
}

std::shared_ptr<SerialPort> SerialPort::serialPortWithDevice(const SerialDevice& device) {
    return LiveSerialPorts::findOrCreate(
        device.calloutPath,
        [&device](const SerialPort& existing) { return existing.m_device.isSameDevice(device); },
        [&device] { return std::make_shared<SerialPort>(Private{}, device); });
}

std::shared_ptr<SerialPort> SerialPort::existingPortWithPath(const std::string& path) {
    return LiveSerialPorts::existingPortWithPath(path);
}

std::optional<SerialDevice> SerialPort::deviceFromBSDPath(const std::string& path) {
    return SerialDevice::fromPath(path);
}

std::optional<std::string> SerialPort::stringPropertyOf(const SerialDevice& device,
                                                        std::string_view key) {
    return device.property(key);
}

std::optional<std::string> SerialPort::bsdCalloutPathFromDevice(const SerialDevice& device) {
    return stringPropertyOf(device, "IOCalloutDevice");
}

std::optional<std::string> SerialPort::bsdDialinPathFromDevice(const SerialDevice& device) {
    return stringPropertyOf(device, "IODialinDevice");
}

std::optional<std::string> SerialPort::baseNameFromDevice(const SerialDevice& device) {
    return stringPropertyOf(device, "IOTTYBaseName");
}

std::optional<std::string> SerialPort::serviceTypeFromDevice(const SerialDevice& device) {
    return stringPropertyOf(device, "IOSerialBSDClientType");
}

std::optional<std::string> SerialPort::modemNameFromDevice(const SerialDevice& device) {
    return stringPropertyOf(device, "IOTTYDevice");
}

std::optional<std::string> SerialPort::suffixFromDevice(const SerialDevice& device) {
    return stringPropertyOf(device, "IOTTYSuffix");
}

std::shared_ptr<SerialPortDelegate> SerialPort::delegate() const {
    std::lock_guard lock(m_delegateMutex);
    return m_delegate.lock();
}

void SerialPort::setDelegate(const std::shared_ptr<SerialPortDelegate>& delegate) {
    std::lock_guard lock(m_delegateMutex);
    m_delegate = delegate;
}

void SerialPort::open() {
    if (isOpen())
        return;
    const int descriptor = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        notifyDelegateOfPosixError(errno);
        return;
    }
    // flock is what cooperating programs check; TIOCEXCL keeps out the others.
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(descriptor);
        notifyDelegateOfPosixError(error);
        return;
    }
    if (::ioctl(descriptor, TIOCEXCL) != 0)
        notifyDelegateOfPosixError(errno);
    setOpenDescriptor(descriptor);
    termios original{};
    if (::tcgetattr(descriptor, &original) == 0)
        m_originalPortAttributes = original;
    platform::requestLowLatency(descriptor);
    setPortOptions();
    updateModemLines();
    callDelegate(
        SerialPortDelegate::Operation::wasOpened,
        [](SerialPortDelegate& receiver, SerialPort& port) { receiver.wasOpened(port); },
        Delivery::queued);

    std::weak_ptr<SerialPort> weak = weak_from_this();
    auto onCancel = [weak, descriptor, original = m_originalPortAttributes] {
        if (auto port = weak.lock())
            port->reallyClosePort();
        else
            closeQuietly(descriptor, original);
    };
    auto onReadable = [weak] {
        auto port = weak.lock();
        return port && port->readAvailable();
    };
    auto onPinPoll = [weak] {
        if (auto port = weak.lock())
            port->pinPoll();
    };
    std::lock_guard lock(m_sourcesMutex);
    m_readPollSource = ReadSource::start(descriptor, std::move(onReadable), std::move(onCancel));
    m_pinPollTimer =
        RepeatingTimer::start(std::chrono::nanoseconds(0), pinPollInterval, std::move(onPinPoll));
}

void SerialPort::setOpenDescriptor(int descriptor) {
    m_removalStarted = false;
    m_hasModemLines = true;
    m_fileDescriptor = descriptor;
}

bool SerialPort::close() {
    if (!isOpen())
        return true;
    std::lock_guard lock(m_sourcesMutex);
    if (m_readPollSource)
        std::exchange(m_readPollSource, nullptr)->cancel();
    return true;
}

void SerialPort::reallyClosePort() {
    {
        std::lock_guard lock(m_sourcesMutex);
        if (m_pinPollTimer)
            std::exchange(m_pinPollTimer, nullptr)->cancel();
    }
    auto closed = delegateTask(
        SerialPortDelegate::Operation::wasClosed,
        [](SerialPortDelegate& receiver, SerialPort& port) { receiver.wasClosed(port); });
    const auto main = MainQueue::shared();
    std::future<void> delivered;
    {
        std::lock_guard lock(m_descriptorMutex);
        const int descriptor = fileDescriptor();
        if (descriptor < 0)
            return;
        restoreTerminal(descriptor);
        if (::close(descriptor) != 0 && errno != EINTR) {
            notifyDelegateOfPosixError(errno);
            return;
        }
        // Queued before a thread waiting for the close is woken (the flow-control setters),
        // so that the delegate hears of the close before anything that thread queues next.
        if (!main->isCurrentThread())
            delivered = main->postTracked(closed);
        markClosed();
    }
    if (delivered.valid())
        delivered.wait();
    else
        closed();
    // Requests end with the close only for a delegate that hears of closing.
    auto receiver = delegate();
    const auto requests = dataObserver();
    if (requests && receiver && receiver->implements(SerialPortDelegate::Operation::wasClosed))
        requests->portClosed();
}

void SerialPort::restoreTerminal(int descriptor) {
    termios current{};
    if (::tcgetattr(descriptor, &current) == 0) {
        current.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        ::tcsetattr(descriptor, TCSANOW, &current);
    }
    if (m_originalPortAttributes)
        ::tcsetattr(descriptor, TCSADRAIN, &*m_originalPortAttributes);
}

void SerialPort::markClosed() {
    {
        std::lock_guard lock(m_sourcesMutex);
        m_fileDescriptor = -1;
    }
    m_closed.notify_all();
}

bool SerialPort::waitUntilClosed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_sourcesMutex);
    return m_closed.wait_for(lock, timeout, [this] { return !isOpen(); });
}

void SerialPort::cleanupAfterSystemRemoval() {
    callDelegate(
        SerialPortDelegate::Operation::wasRemovedFromSystem,
        [](SerialPortDelegate& receiver, SerialPort& port) { receiver.wasRemovedFromSystem(port); },
        Delivery::waited);
    close();
}

void SerialPort::cleanup() {
    spdlog::warn("WARNING: Cleanup is deprecated and was never intended to be called publicly. "
                 "You should update your code to avoid calling this method.");
    cleanupAfterSystemRemoval();
}

void SerialPort::deviceGone(int errorNumber) {
    if (m_removalStarted.exchange(true))
        return;
    notifyDelegateOfPosixErrorWaitingUntilDone(errorNumber, true);
    cleanupAfterSystemRemoval();
}

bool SerialPort::readAvailable() {
    if (!isOpen())
        return false;
    std::array<std::uint8_t, readChunkSize> buffer{};
    for (;;) {
        const ssize_t count = ::read(fileDescriptor(), buffer.data(), buffer.size());
        if (count > 0) {
            receiveData(Bytes(buffer.begin(), buffer.begin() + count));
            continue;
        }
        if (interrupted(count))
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        // End of file or an error on a terminal: the device has hung up or gone away.
        const int error = count == 0 ? EIO : errno;
        if (count == 0 || platform::meansDeviceGone(error)) {
            deviceGone(error);
            return false;
        }
        return true;
    }
}

void SerialPort::receiveData(const Bytes& data) {
    if (data.empty())
        return;
    callDelegate(
        SerialPortDelegate::Operation::didReceiveData,
        [data](SerialPortDelegate& receiver, SerialPort& port) {
            receiver.didReceiveData(port, data);
        },
        Delivery::queued);
    if (const auto requests = dataObserver())
        requests->portReceived(data);
}

bool SerialPort::sendData(const Bytes& data) {
    if (!isOpen())
        return false;
    if (data.empty())
        return true;
    spdlog::debug("\n> has send Data value [writeBuffer length] {}l", data.size());
    return writeAll(data);
}

// The reader keeps the descriptor non-blocking, so a write that the driver cannot take at
// once waits for room here: callers still see a blocking write. The descriptor lock keeps
// one write's bytes together and in order against writes from other threads.
bool SerialPort::writeAll(const Bytes& data) {
    std::lock_guard lock(m_descriptorMutex);
    const int descriptor = fileDescriptor();
    if (descriptor < 0)
        return false;
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t count = ::write(descriptor, data.data() + written, data.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count == 0 || interrupted(count))
            continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitUntilWritable(descriptor))
            continue;
        notifyDelegateOfPosixError(errno);
        return false;
    }
    return true;
}

bool SerialPort::waitUntilWritable(int descriptor) {
    pollfd watch{descriptor, POLLOUT, 0};
    for (;;) {
        const int ready = ::poll(&watch, 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        if ((watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            errno = EIO;
            return false;
        }
        return true;
    }
}

std::shared_ptr<PortDataObserver> SerialPort::dataObserver() const {
    std::lock_guard lock(m_requestsMutex);
    return m_requests;
}

void SerialPort::notifyDelegateOfPosixError(int errorNumber) {
    notifyDelegateOfPosixErrorWaitingUntilDone(errorNumber, false);
}

void SerialPort::notifyDelegateOfPosixErrorWaitingUntilDone(int errorNumber, bool wait) {
    notifyDelegateOfError(std::error_code(errorNumber, std::system_category()), wait);
}

void SerialPort::notifyDelegateOfError(std::error_code code, bool wait) {
    callDelegate(
        SerialPortDelegate::Operation::didEncounterError,
        [error = SerialPortError{code, m_path}](SerialPortDelegate& receiver, SerialPort& port) {
            receiver.didEncounterError(port, error);
        },
        wait ? Delivery::waited : Delivery::immediate);
}

} // namespace monctl
