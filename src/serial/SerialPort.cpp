#include "serial/SerialPort.h"

#include "runtime/EventPool.h"
#include "runtime/MainQueue.h"
#include "runtime/ReadSource.h"
#include "serial/LiveSerialPorts.h"
#include "serial/ModemLineWatcher.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPortDelegateCalls.h"

#include <algorithm>
#include <array>
#include <asio/post.hpp>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spdlog/spdlog.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace monctl {
namespace {

constexpr std::size_t readChunkSize = 1024;

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
    m_modemLineWatcher.reset();
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
    // What the device sent before this open answered someone else.
    ::tcflush(descriptor, TCIFLUSH);
    setOpenDescriptor(descriptor);
    termios original{};
    if (::tcgetattr(descriptor, &original) == 0)
        m_originalPortAttributes = original;
    platform::requestLowLatency(descriptor);
    setPortOptions();
    updateModemLines();
    startModemLineWatch(descriptor);
    callDelegate(
        SerialPortDelegate::Operation::wasOpened,
        [](SerialPortDelegate& receiver, SerialPort& port) { receiver.wasOpened(port); },
        Delivery::queued);

    std::weak_ptr<SerialPort> weak = weak_from_this();
    // Closing may wait for the driver to drain its output, which the main thread must not.
    auto onCancel = [weak, descriptor, original = m_originalPortAttributes] {
        asio::post(EventPool::executor(), [weak, descriptor, original] {
            if (auto port = weak.lock())
                port->reallyClosePort();
            else
                closeQuietly(descriptor, original);
        });
    };
    auto onReadable = [weak] {
        auto port = weak.lock();
        return port && port->readAvailable();
    };
    std::lock_guard lock(m_sourcesMutex);
    m_readPollSource = ReadSource::start(descriptor, std::move(onReadable), std::move(onCancel));
}

void SerialPort::setOpenDescriptor(int descriptor) {
    m_removalStarted = false;
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
    stopModemLineWatch(); // before the descriptor goes, which its thread uses
    auto closed = delegateTask(
        SerialPortDelegate::Operation::wasClosed,
        [](SerialPortDelegate& receiver, SerialPort& port) { receiver.wasClosed(port); });
    const auto main = MainQueue::shared();
    bool here = main->isCurrentThread();
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
        // The requests end after it; nothing here waits for the main thread.
        if (!here)
            main->post([closed, self = shared_from_this()] {
                closed();
                self->endRequestsWithClose();
            });
        markClosed();
    }
    if (here) {
        closed();
        endRequestsWithClose();
    }
}

// Requests end with the close only for a delegate that hears of closing.
void SerialPort::endRequestsWithClose() {
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

// The error, then the removal, in that order on the main thread; a reporting thread hands
// both over in one task instead of waiting for each.
void SerialPort::deviceGone(int errorNumber) {
    if (m_removalStarted.exchange(true))
        return;
    auto report = [self = shared_from_this(), errorNumber] {
        self->notifyDelegateOfPosixError(errorNumber);
        self->cleanupAfterSystemRemoval();
    };
    const auto main = MainQueue::shared();
    if (main->isCurrentThread())
        report();
    else
        main->post(std::move(report));
}

bool SerialPort::readAvailable() {
    if (!isOpen())
        return false;
    std::array<std::uint8_t, readChunkSize> buffer{};
    for (;;) {
        const ssize_t count = ::read(fileDescriptor(), buffer.data(), buffer.size());
        if (count > 0) {
            receiveData(Bytes(buffer.begin(), buffer.begin() + count));
            // A short read took all there was; bytes that come later wake the watch again.
            if (static_cast<std::size_t>(count) < buffer.size())
                return true;
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
        notifyDelegateOfPosixError(error);
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
        Delivery::immediate);
    if (const auto requests = dataObserver())
        requests->portReceived(data);
}

bool SerialPort::sendData(const Bytes& data) {
    if (!isOpen())
        return false;
    if (data.empty())
        return true;
    spdlog::debug("\n> has send Data value [writeBuffer length] {}l", data.size());
    const int error = writeAll(data);
    if (error != 0)
        notifyDelegateOfPosixError(error);
    return error == 0;
}

bool SerialPort::sendData(const Bytes& data, WriteDone done) {
    const int error = !isOpen() ? EBADF : data.empty() ? 0 : writeAll(data);
    if (error != 0 && error != EBADF)
        notifyDelegateOfPosixError(error);
    if (done)
        MainQueue::shared()->post([done = std::move(done), error] {
            done(std::error_code(error, std::generic_category()));
        });
    return error == 0;
}

// The reader keeps the descriptor non-blocking, so a write that the driver cannot take at
// once waits for room here, up to its deadline. The descriptor lock keeps one write's bytes
// together and in order against writes from other threads.
int SerialPort::writeAll(const Bytes& data) {
    std::lock_guard lock(m_descriptorMutex);
    const int descriptor = fileDescriptor();
    if (descriptor < 0)
        return EBADF;
    // Ten bits a byte on the line, twice over for slow adapters, on top of the time-out.
    const auto lineTime =
        std::chrono::microseconds(20'000'000ULL * data.size() / std::max(m_line.baudRate, 1U));
    const auto deadline = std::chrono::steady_clock::now() + m_writeTimeout.load() + lineTime;
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t count = ::write(descriptor, data.data() + written, data.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            m_stalled = false;
            continue;
        }
        if (count == 0 || interrupted(count))
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return errno;
        if (m_stalled)
            return ETIMEDOUT;
        if (const int error = waitUntilWritable(descriptor, deadline)) {
            m_stalled = error == ETIMEDOUT;
            return error;
        }
    }
    return 0;
}

int SerialPort::waitUntilWritable(int descriptor, std::chrono::steady_clock::time_point deadline) {
    pollfd watch{descriptor, POLLOUT, 0};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return ETIMEDOUT;
        const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return errno;
        if (ready == 0)
            return ETIMEDOUT;
        if ((watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return EIO;
        return 0;
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
