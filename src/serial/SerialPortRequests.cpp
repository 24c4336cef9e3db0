#include "serial/SerialPortRequests.h"

#include "runtime/MainQueue.h"
#include "runtime/RepeatingTimer.h"
#include "serial/SerialPacketDescriptor.h"
#include "serial/SerialPortDelegateCalls.h"

#include <algorithm>
#include <cmath>

namespace monctl {
namespace {

std::chrono::nanoseconds seconds(double value) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(std::trunc(value * 1e9)));
}

// A timer that is replaced or dropped must not fire again.
void replaceTimer(std::shared_ptr<RepeatingTimer>& held, std::shared_ptr<RepeatingTimer> next) {
    if (auto previous = std::exchange(held, std::move(next)))
        previous->cancel();
}

} // namespace

// The port's side: its request machinery, made on first use.

SerialPortRequests& SerialPort::requests() {
    std::lock_guard lock(m_requestsMutex);
    if (!m_requests)
        m_requests = std::make_shared<SerialPortRequests>(weak_from_this());
    return static_cast<SerialPortRequests&>(*m_requests);
}

std::shared_ptr<SerialPortRequests> SerialPort::existingRequests() const {
    std::lock_guard lock(m_requestsMutex);
    return std::static_pointer_cast<SerialPortRequests>(m_requests);
}

bool SerialPort::sendRequest(const std::shared_ptr<SerialRequest>& request) {
    return requests().sendRequest(request);
}

void SerialPort::cancelQueuedRequest(const std::shared_ptr<SerialRequest>& request) {
    if (request)
        requests().cancelQueuedRequest(request);
}

void SerialPort::cancelAllQueuedRequests() {
    requests().cancelAllQueuedRequests();
}

std::vector<std::shared_ptr<SerialRequest>> SerialPort::queuedRequests() const {
    const auto existing = existingRequests();
    return existing ? existing->queuedRequests() : std::vector<std::shared_ptr<SerialRequest>>{};
}

std::shared_ptr<SerialRequest> SerialPort::pendingRequest() const {
    const auto existing = existingRequests();
    return existing ? existing->pendingRequest() : nullptr;
}

void SerialPort::startListeningForPacketsMatchingDescriptor(
    const std::shared_ptr<const SerialPacketDescriptor>& descriptor) {
    requests().startListening(descriptor);
}

void SerialPort::stopListeningForPacketsMatchingDescriptor(
    const std::shared_ptr<const SerialPacketDescriptor>& descriptor) {
    requests().stopListening(descriptor);
}

std::vector<std::shared_ptr<const SerialPacketDescriptor>> SerialPort::packetDescriptors() const {
    const auto existing = existingRequests();
    return existing ? existing->packetDescriptors()
                    : std::vector<std::shared_ptr<const SerialPacketDescriptor>>{};
}

// The machinery itself, on its request-handling queue.

SerialPortRequests::~SerialPortRequests() {
    if (m_pendingRequestTimeoutTimer)
        m_pendingRequestTimeoutTimer->cancel();
}

// The signals carry no values: an observer reads the lists as they are when it is told.
void SerialPortRequests::announce(Signal<> SerialPort::*change) {
    auto tell = [weak = m_port, change] {
        if (const auto port = weak.lock())
            ((*port).*change).notify();
    };
    const auto main = MainQueue::shared();
    if (main->isCurrentThread())
        tell();
    else
        main->post(std::move(tell));
}

bool SerialPortRequests::sendRequest(const std::shared_ptr<SerialRequest>& request) {
    bool sent = false;
    m_requestHandlingQueue.postAndWait([&] {
        if (const auto port = m_port.lock())
            reallySendRequest(*port, request, sent);
    });
    return sent;
}

// A request the port cannot take is not left pending: nothing could answer it, and every
// request after it would wait behind it. The next request goes out at once.
void SerialPortRequests::reallySendRequest(SerialPort& port,
                                           const std::shared_ptr<SerialRequest>& request,
                                           bool& sent) {
    {
        std::lock_guard lock(m_requestsMutex);
        if (m_pendingRequest) {
            m_requestsQueue.push_back(request);
            sent = true;
        } else {
            m_requestResponseReceiveBuffer.emplace();
            m_pendingRequest = request;
        }
    }
    if (sent)
        return announce(&SerialPort::queuedRequestsChanged);
    const auto number = ++m_sendNumber;
    std::weak_ptr<SerialPortRequests> weak = weak_from_this();
    sent = port.sendData(request->dataToSend(), [weak, number](std::error_code error) {
        if (const auto self = weak.lock())
            self->m_requestHandlingQueue.post(
                [self, number, error] { self->writeEnded(number, error); });
    });
    if (sent)
        return checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(port, std::nullopt);
    sendNextRequest(port);
}

// The time-out runs from when the request has been written: the port may hold it while the
// line is busy. A request whose write fails is let go like one the port refused; the write
// error has reached the delegate.
void SerialPortRequests::writeEnded(std::uint64_t number, std::error_code error) {
    const auto port = m_port.lock();
    const auto request = pendingRequest();
    if (!port || !request || number != m_sendNumber)
        return; // answered, or closed, since it was sent
    if (error)
        return sendNextRequest(*port);
    if (request->timeoutInterval() <= 0)
        return;
    const auto interval = seconds(request->timeoutInterval());
    std::weak_ptr<SerialPortRequests> weak = weak_from_this();
    std::weak_ptr<SerialRequest> pending = request;
    replaceTimer(m_pendingRequestTimeoutTimer,
                 RepeatingTimer::start(interval, interval, [weak, pending] {
                     auto self = weak.lock();
                     auto timedOut = pending.lock();
                     if (self && timedOut)
                         self->m_requestHandlingQueue.post(
                             [self, timedOut] { self->pendingRequestDidTimeout(timedOut); });
                 }));
}

void SerialPortRequests::sendNextRequest(SerialPort& port) {
    std::shared_ptr<SerialRequest> next;
    {
        std::lock_guard lock(m_requestsMutex);
        m_pendingRequest = nullptr;
        if (m_requestsQueue.empty())
            return;
        next = m_requestsQueue.front();
        m_requestsQueue.erase(m_requestsQueue.begin());
    }
    announce(&SerialPort::queuedRequestsChanged);
    bool sent = false;
    reallySendRequest(port, next, sent);
}

void SerialPortRequests::checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(
    SerialPort& port, std::optional<std::uint8_t> byte) {
    const auto request = pendingRequest();
    if (!request)
        return;
    const auto& descriptor = request->responseDescriptor();
    if (!byte) {
        if (!descriptor)
            sendNextRequest(port);
        return;
    }
    // Without a buffer the request has timed out: no answer can end it a second time.
    if (!m_requestResponseReceiveBuffer || !descriptor)
        return;
    appendKeepingNewest(*m_requestResponseReceiveBuffer, Bytes{*byte},
                        descriptor->maximumPacketLength());
    auto response = descriptor->packetMatchingAtEndOfBuffer(*m_requestResponseReceiveBuffer);
    if (!response)
        return;
    replaceTimer(m_pendingRequestTimeoutTimer, nullptr);
    if (!response->empty())
        port.callDelegate(
            SerialPortDelegate::Operation::didReceiveResponse,
            [response = std::move(*response), request](SerialPortDelegate& receiver,
                                                       SerialPort& reporting) {
                receiver.didReceiveResponse(reporting, response, *request);
            },
            SerialPort::Delivery::queued);
    sendNextRequest(port);
}

// The request stays pending until the delegate has handled its time-out, so that the next
// one waits; meanwhile its buffer is gone, and with it any way for an answer to end it again.
void SerialPortRequests::pendingRequestDidTimeout(const std::shared_ptr<SerialRequest>& request) {
    const auto port = m_port.lock();
    if (!port || pendingRequest() != request || !m_requestResponseReceiveBuffer)
        return; // answered or already timed out since the timer fired
    replaceTimer(m_pendingRequestTimeoutTimer, nullptr);
    m_requestResponseReceiveBuffer.reset();
    auto receiver = port->delegate();
    if (!receiver || !receiver->implements(SerialPortDelegate::Operation::requestDidTimeout))
        return sendNextRequest(*port);
    MainQueue::shared()->post([self = shared_from_this(), port, request] {
        auto current = port->delegate();
        if (current && current->implements(SerialPortDelegate::Operation::requestDidTimeout))
            current->requestDidTimeout(*port, *request);
        self->m_requestHandlingQueue.post([self, port, request] {
            // Closing the port in the meantime has already cleared it.
            if (self->pendingRequest() == request)
                self->sendNextRequest(*port);
        });
    });
}

void SerialPortRequests::cancelQueuedRequest(const std::shared_ptr<SerialRequest>& request) {
    m_requestHandlingQueue.post([self = shared_from_this(), request] {
        bool removed = false;
        {
            std::lock_guard lock(self->m_requestsMutex);
            const auto found =
                std::find(self->m_requestsQueue.begin(), self->m_requestsQueue.end(), request);
            if (found != self->m_requestsQueue.end()) {
                self->m_requestsQueue.erase(found);
                removed = true;
            }
        }
        if (removed)
            self->announce(&SerialPort::queuedRequestsChanged);
    });
}

void SerialPortRequests::cancelAllQueuedRequests() {
    m_requestHandlingQueue.post([self = shared_from_this()] {
        {
            std::lock_guard lock(self->m_requestsMutex);
            self->m_requestsQueue.clear();
        }
        self->announce(&SerialPort::queuedRequestsChanged);
    });
}

std::vector<std::shared_ptr<SerialRequest>> SerialPortRequests::queuedRequests() const {
    std::lock_guard lock(m_requestsMutex);
    return m_requestsQueue;
}

std::shared_ptr<SerialRequest> SerialPortRequests::pendingRequest() const {
    std::lock_guard lock(m_requestsMutex);
    return m_pendingRequest;
}

void SerialPortRequests::startListening(
    const std::shared_ptr<const SerialPacketDescriptor>& descriptor) {
    const auto listened = packetDescriptors();
    if (std::any_of(listened.begin(), listened.end(),
                    [&](const auto& other) { return *other == *descriptor; }))
        return;
    m_requestHandlingQueue.postAndWait([&] {
        std::lock_guard lock(m_requestsMutex);
        m_packetDescriptorsAndBuffers.emplace_back(descriptor, Bytes());
    });
    announce(&SerialPort::packetDescriptorsChanged);
}

void SerialPortRequests::stopListening(
    const std::shared_ptr<const SerialPacketDescriptor>& descriptor) {
    m_requestHandlingQueue.postAndWait([&] {
        std::lock_guard lock(m_requestsMutex);
        std::erase_if(m_packetDescriptorsAndBuffers,
                      [&](const auto& entry) { return *entry.first == *descriptor; });
    });
    announce(&SerialPort::packetDescriptorsChanged);
}

std::vector<std::shared_ptr<const SerialPacketDescriptor>>
SerialPortRequests::packetDescriptors() const {
    std::lock_guard lock(m_requestsMutex);
    std::vector<std::shared_ptr<const SerialPacketDescriptor>> descriptors;
    for (const auto& entry : m_packetDescriptorsAndBuffers)
        descriptors.push_back(entry.first);
    return descriptors;
}

void SerialPortRequests::portReceived(const Bytes& data) {
    m_requestHandlingQueue.post([self = shared_from_this(), data] {
        if (const auto port = self->m_port.lock())
            self->processReceivedBytes(*port, data);
    });
}

// One chunk at a time: each byte goes to every listened descriptor's buffer, then to the
// pending request's response.
void SerialPortRequests::processReceivedBytes(SerialPort& port, const Bytes& data) {
    for (const std::uint8_t byte : data) {
        std::vector<std::pair<std::shared_ptr<const SerialPacketDescriptor>, Bytes>> packets;
        {
            std::lock_guard lock(m_requestsMutex);
            for (auto& entry : m_packetDescriptorsAndBuffers) {
                appendKeepingNewest(entry.second, Bytes{byte}, entry.first->maximumPacketLength());
                auto packet = entry.first->packetMatchingAtEndOfBuffer(entry.second);
                if (packet && !packet->empty()) {
                    packets.emplace_back(entry.first, std::move(*packet));
                    entry.second.clear();
                }
            }
        }
        for (auto& found : packets)
            port.callDelegate(
                SerialPortDelegate::Operation::didReceivePacket,
                [descriptor = found.first, packet = std::move(found.second)](
                    SerialPortDelegate& receiver, SerialPort& reporting) {
                    receiver.didReceivePacket(reporting, packet, *descriptor);
                },
                SerialPort::Delivery::queued);
        checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(port, byte);
    }
}

// Requests end with the close of their port.
void SerialPortRequests::portClosed() {
    m_requestHandlingQueue.post([self = shared_from_this()] {
        {
            std::lock_guard lock(self->m_requestsMutex);
            self->m_requestsQueue.clear();
            self->m_pendingRequest = nullptr;
        }
        replaceTimer(self->m_pendingRequestTimeoutTimer, nullptr);
        self->announce(&SerialPort::queuedRequestsChanged);
    });
}

} // namespace monctl
