// Requests and packet listening of SerialPort, on its request-handling queue.
#include "runtime/RepeatingTimer.h"
#include "serial/SerialPort.h"
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

bool SerialPort::sendRequest(const std::shared_ptr<SerialRequest>& request) {
    bool sent = false;
    m_requestHandlingQueue.postAndWait([&] { reallySendRequest(request, sent); });
    return sent;
}

// A request whose write fails is not left pending: nothing could answer it, and every
// request after it would wait behind it. The write error has reached the delegate; the
// next request goes out at once.
void SerialPort::reallySendRequest(const std::shared_ptr<SerialRequest>& request, bool& sent) {
    {
        std::lock_guard lock(m_requestsMutex);
        if (m_pendingRequest) {
            m_requestsQueue.push_back(request);
            sent = true;
        } else {
            const auto& descriptor = request->responseDescriptor();
            m_requestResponseReceiveBuffer =
                std::make_unique<SerialBuffer>(descriptor ? descriptor->maximumPacketLength() : 0);
            m_pendingRequest = request;
        }
    }
    if (sent)
        return queuedRequestsChanged.notify();
    if (request->timeoutInterval() > 0) {
        const auto interval = seconds(request->timeoutInterval());
        std::weak_ptr<SerialPort> weak = weak_from_this();
        std::weak_ptr<SerialRequest> pending = request;
        replaceTimer(m_pendingRequestTimeoutTimer,
                     RepeatingTimer::start(interval, interval, [weak, pending] {
                         auto port = weak.lock();
                         auto timedOut = pending.lock();
                         if (port && timedOut)
                             port->m_requestHandlingQueue.post(
                                 [port, timedOut] { port->pendingRequestDidTimeout(timedOut); });
                     }));
    }
    sent = sendData(request->dataToSend());
    if (sent)
        return checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(std::nullopt);
    replaceTimer(m_pendingRequestTimeoutTimer, nullptr);
    sendNextRequest();
}

void SerialPort::sendNextRequest() {
    std::shared_ptr<SerialRequest> next;
    {
        std::lock_guard lock(m_requestsMutex);
        m_pendingRequest = nullptr;
        if (m_requestsQueue.empty())
            return;
        next = m_requestsQueue.front();
        m_requestsQueue.erase(m_requestsQueue.begin());
    }
    queuedRequestsChanged.notify();
    bool sent = false;
    reallySendRequest(next, sent);
}

void SerialPort::checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(
    std::optional<std::uint8_t> byte) {
    const auto request = pendingRequest();
    if (!request)
        return;
    const auto& descriptor = request->responseDescriptor();
    if (!byte) {
        if (!descriptor)
            sendNextRequest();
        return;
    }
    // Without a buffer the request has timed out: no answer can end it a second time.
    if (!m_requestResponseReceiveBuffer)
        return;
    m_requestResponseReceiveBuffer->appendData(Bytes{*byte});
    if (!descriptor)
        return;
    auto response = descriptor->packetMatchingAtEndOfBuffer(m_requestResponseReceiveBuffer->data());
    if (!response)
        return;
    replaceTimer(m_pendingRequestTimeoutTimer, nullptr);
    if (!response->empty())
        callDelegate(
            SerialPortDelegate::Operation::didReceiveResponse,
            [response = std::move(*response), request](SerialPortDelegate& receiver,
                                                       SerialPort& port) {
                receiver.didReceiveResponse(port, response, *request);
            },
            Delivery::queued);
    sendNextRequest();
}

// The request stays pending until the delegate has handled its time-out, so that the next
// one waits; meanwhile its buffer is gone, and with it any way for an answer to end it again.
void SerialPort::pendingRequestDidTimeout(const std::shared_ptr<SerialRequest>& request) {
    if (pendingRequest() != request || !m_requestResponseReceiveBuffer)
        return; // answered or already timed out since the timer fired
    replaceTimer(m_pendingRequestTimeoutTimer, nullptr);
    m_requestResponseReceiveBuffer.reset();
    auto receiver = delegate();
    if (!receiver || !receiver->implements(SerialPortDelegate::Operation::requestDidTimeout))
        return sendNextRequest();
    MainQueue::shared()->post([self = shared_from_this(), request] {
        auto current = self->delegate();
        if (current && current->implements(SerialPortDelegate::Operation::requestDidTimeout))
            current->requestDidTimeout(*self, *request);
        self->m_requestHandlingQueue.post([self, request] {
            // Closing the port in the meantime has already cleared it.
            if (self->pendingRequest() == request)
                self->sendNextRequest();
        });
    });
}

void SerialPort::cancelQueuedRequest(const std::shared_ptr<SerialRequest>& request) {
    if (!request)
        return;
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
            self->queuedRequestsChanged.notify();
    });
}

void SerialPort::cancelAllQueuedRequests() {
    m_requestHandlingQueue.post([self = shared_from_this()] {
        {
            std::lock_guard lock(self->m_requestsMutex);
            self->m_requestsQueue.clear();
        }
        self->queuedRequestsChanged.notify();
    });
}

std::vector<std::shared_ptr<SerialRequest>> SerialPort::queuedRequests() const {
    std::lock_guard lock(m_requestsMutex);
    return m_requestsQueue;
}

std::shared_ptr<SerialRequest> SerialPort::pendingRequest() const {
    std::lock_guard lock(m_requestsMutex);
    return m_pendingRequest;
}

void SerialPort::startListeningForPacketsMatchingDescriptor(
    const std::shared_ptr<const SerialPacketDescriptor>& descriptor) {
    const auto listened = packetDescriptors();
    if (std::any_of(listened.begin(), listened.end(),
                    [&](const auto& other) { return *other == *descriptor; }))
        return;
    m_requestHandlingQueue.postAndWait([&] {
        std::lock_guard lock(m_requestsMutex);
        m_packetDescriptorsAndBuffers.emplace_back(descriptor,
                                                   SerialBuffer(descriptor->maximumPacketLength()));
    });
    packetDescriptorsChanged.notify();
}

void SerialPort::stopListeningForPacketsMatchingDescriptor(
    const std::shared_ptr<const SerialPacketDescriptor>& descriptor) {
    m_requestHandlingQueue.postAndWait([&] {
        std::lock_guard lock(m_requestsMutex);
        std::erase_if(m_packetDescriptorsAndBuffers,
                      [&](const auto& entry) { return *entry.first == *descriptor; });
    });
    packetDescriptorsChanged.notify();
}

std::vector<std::shared_ptr<const SerialPacketDescriptor>> SerialPort::packetDescriptors() const {
    std::lock_guard lock(m_requestsMutex);
    std::vector<std::shared_ptr<const SerialPacketDescriptor>> descriptors;
    for (const auto& entry : m_packetDescriptorsAndBuffers)
        descriptors.push_back(entry.first);
    return descriptors;
}

// On the request-handling queue, one chunk at a time: each byte goes to every listened
// descriptor's buffer, then to the pending request's response.
void SerialPort::processReceivedBytes(const Bytes& data) {
    for (const std::uint8_t byte : data) {
        std::vector<std::pair<std::shared_ptr<const SerialPacketDescriptor>, Bytes>> packets;
        {
            std::lock_guard lock(m_requestsMutex);
            for (auto& [descriptor, buffer] : m_packetDescriptorsAndBuffers) {
                buffer.appendData(Bytes{byte});
                auto packet = descriptor->packetMatchingAtEndOfBuffer(buffer.data());
                if (packet && !packet->empty()) {
                    packets.emplace_back(descriptor, std::move(*packet));
                    buffer.clearBuffer();
                }
            }
        }
        for (auto& found : packets)
            callDelegate(
                SerialPortDelegate::Operation::didReceivePacket,
                [descriptor = found.first,
                 packet = std::move(found.second)](SerialPortDelegate& receiver, SerialPort& port) {
                    receiver.didReceivePacket(port, packet, *descriptor);
                },
                Delivery::queued);
        checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(byte);
    }
}

void SerialPort::clearRequests() {
    {
        std::lock_guard lock(m_requestsMutex);
        m_requestsQueue.clear();
        m_pendingRequest = nullptr;
    }
    replaceTimer(m_pendingRequestTimeoutTimer, nullptr);
    queuedRequestsChanged.notify();
}

} // namespace monctl
