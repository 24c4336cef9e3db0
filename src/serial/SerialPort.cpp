#include "serial/SerialPort.h"

#include "runtime/EventPool.h"
#include "runtime/MainQueue.h"
#include "runtime/ReadSource.h"
#include "runtime/TraceLog.h"
#include "serial/LiveSerialPorts.h"
#include "serial/ModemLineWatcher.h"
#include "serial/PlatformTerminal.h"
#include "serial/PortWriter.h"
#include "serial/SerialPortDelegateCalls.h"

#include <algorithm>
#include <array>
#include <asio/post.hpp>
#include <cerrno>
#include <fcntl.h>
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

// Long enough for the last frames of a command to leave a working line, short enough that a
// close never holds a pool thread for long.
constexpr std::chrono::milliseconds drainLimit{250};
// What a driver still does at the last close after the flush (a USB adapter's transfer
// already under way, a UART's own buffer): it never waits on a line that stopped longer.
constexpr std::chrono::milliseconds closeLimit{250};

// Puts the device back as it was found and closes it. What the driver still holds goes out
// first, so that a program may end right after its last write; a line that stopped draining
// has the rest dropped instead of holding the close. Exclusive use ends last, so that another
// user's next open is not refused while another descriptor (of another program) keeps the
// terminal open. The close's error, if any.
std::error_code releaseAndClose(int descriptor, const std::optional<termios>& original) {
    if (!platform::waitForOutputSent(descriptor, drainLimit))
        ::tcflush(descriptor, TCOFLUSH);
    if (original)
        ::tcsetattr(descriptor, TCSANOW, &*original);
    ::ioctl(descriptor, TIOCNXCL);
    return platform::closeWithin(descriptor, closeLimit);
}

} // namespace

SerialPort::SerialPort(Private, const SerialDevice& device)
    : m_device(device), m_path(device.calloutPath), m_name(device.ttyDevice) {}

SerialPort::~SerialPort() {
    LiveSerialPorts::removeSerialPort(this);
    endWrites(systemError(ECANCELED));
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
        notifyDelegateOfError(systemError(errno));
        return;
    }
    // flock is what cooperating programs check; TIOCEXCL keeps out the others.
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const auto error = systemError(errno == EWOULDBLOCK ? EBUSY : errno);
        ::close(descriptor);
        notifyDelegateOfError(error);
        return;
    }
    if (::ioctl(descriptor, TIOCEXCL) != 0)
        notifyDelegateOfError(systemError(errno));
    // What the device sent before this open answered someone else.
    ::tcflush(descriptor, TCIFLUSH);
    std::weak_ptr<SerialPort> weak = weak_from_this();
    auto writer = std::make_shared<PortWriter>(descriptor, [weak](std::error_code error) {
        if (const auto port = weak.lock())
            port->notifyDelegateOfError(error);
    });
    {
        std::lock_guard lock(m_sourcesMutex);
        m_writer = std::move(writer);
    }
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

    // A driver may still wait a little at close (its closing wait), which the main thread
    // must not.
    auto onCancel = [weak, descriptor, original = m_originalPortAttributes] {
        asio::post(EventPool::executor(), [weak, descriptor, original] {
            if (auto port = weak.lock())
                port->reallyClosePort();
            else
                releaseAndClose(descriptor, original);
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
    m_removalReported = false;
    m_fileDescriptor = descriptor;
}

bool SerialPort::close() {
    if (!isOpen())
        return true;
    endWrites(systemError(ECANCELED));
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
    auto tell = [closed, self = shared_from_this()](std::error_code closeError) {
        if (closeError)
            self->notifyDelegateOfError(closeError);
        closed();
        self->endRequestsWithClose();
    };
    std::error_code closeError;
    {
        std::lock_guard lock(m_descriptorMutex);
        const int descriptor = fileDescriptor();
        if (descriptor < 0)
            return;
        // The descriptor is gone even when close fails, and its number may soon belong to
        // another file: the port is closed either way.
        closeError = releaseAndClose(descriptor, m_originalPortAttributes);
        // Queued while the port turns closed, before a thread waiting for the close can see
        // it (the flow-control setters, the main thread asking isOpen()), so that the delegate
        // hears of the close before anything that thread queues next. The requests end after
        // it; nothing here waits for the main thread.
        markClosed([&] {
            if (!here)
                main->post([tell, closeError] { tell(closeError); });
        });
    }
    if (here)
        tell(closeError);
}

// Requests end with the close only for a delegate that hears of closing.
void SerialPort::endRequestsWithClose() {
    auto receiver = delegate();
    const auto requests = dataObserver();
    if (requests && receiver && receiver->implements(SerialPortDelegate::Operation::wasClosed))
        requests->portClosed();
}

void SerialPort::markClosed(const std::function<void()>& whileClosing) {
    {
        std::lock_guard lock(m_sourcesMutex);
        m_fileDescriptor = -1;
        m_writer.reset();
        whileClosing();
    }
    m_closed.notify_all();
}

bool SerialPort::waitUntilClosed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_sourcesMutex);
    return m_closed.wait_for(lock, timeout, [this] { return !isOpen(); });
}

// Both the port's own read (a hang-up) and the registry's removal event end up here: the
// delegate hears of one removal once.
void SerialPort::cleanupAfterSystemRemoval() {
    endWrites(systemError(ENODEV));
    if (!m_removalReported.exchange(true))
        callDelegate(
            SerialPortDelegate::Operation::wasRemovedFromSystem,
            [](SerialPortDelegate& receiver, SerialPort& port) {
                receiver.wasRemovedFromSystem(port);
            },
            Delivery::waited);
    close();
}

void SerialPort::wasPublished() {
    m_removalReported = false;
}

void SerialPort::cleanup() {
    spdlog::warn("WARNING: Cleanup is deprecated and was never intended to be called publicly. "
                 "You should update your code to avoid calling this method.");
    cleanupAfterSystemRemoval();
}

// The error, then the removal, in that order on the main thread; a reporting thread hands
// both over in one task instead of waiting for each.
void SerialPort::deviceGone(std::error_code error) {
    if (m_removalStarted.exchange(true))
        return;
    auto report = [self = shared_from_this(), error] {
        self->notifyDelegateOfError(error);
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
        const auto error = systemError(count == 0 ? EIO : errno);
        if (count == 0 || platform::meansDeviceGone(error)) {
            deviceGone(error);
            return false;
        }
        notifyDelegateOfError(error);
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
    return sendData(data, nullptr);
}

// Refusals of a port that is not open (or no longer) are the caller's to handle; a stalled
// line is an error of the device, reported as the timed-out write was.
bool SerialPort::sendData(const Bytes& data, WriteDone done) {
    const auto current = writer();
    if (!current) {
        if (done)
            MainQueue::shared()->post([done = std::move(done)] { done(systemError(EBADF)); });
        return false;
    }
    if (!data.empty())
        traceLog().debug("\n> has send Data value [writeBuffer length] {}l", data.size());
    const auto refused = current->enqueue(data, writeBound(data.size()), std::move(done));
    if (refused == std::errc::timed_out)
        notifyDelegateOfError(refused);
    return !refused;
}

std::shared_ptr<PortWriter> SerialPort::writer() const {
    std::lock_guard lock(m_sourcesMutex);
    return m_writer;
}

void SerialPort::endWrites(std::error_code reason) {
    if (const auto current = writer())
        current->end(reason);
}

// Ten bits a byte on the line, twice over for slow adapters, on top of the time-out.
std::chrono::nanoseconds SerialPort::writeBound(std::size_t byteCount) const {
    const auto lineTime =
        std::chrono::microseconds(20'000'000ULL * byteCount / std::max(m_line.baudRate, 1U));
    return m_writeTimeout.load() + lineTime;
}

std::shared_ptr<PortDataObserver> SerialPort::dataObserver() const {
    std::lock_guard lock(m_requestsMutex);
    return m_requests;
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
