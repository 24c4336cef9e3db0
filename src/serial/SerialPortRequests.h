#pragma once

#include "runtime/SerialQueue.h"
#include "serial/SerialBuffer.h"
#include "serial/SerialPort.h"
#include "serial/SerialRequest.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace monctl {

class RepeatingTimer;

// The requests and packet listening of one port, made on its first use: requests go out one
// at a time, each answered or timed out before the next; every packet that matches a
// listened descriptor is handed to the port's delegate. Its work runs on its own
// request-handling queue, one task at a time; the lock lets other threads read the lists.
// The port's signals of its lists are emitted on the main thread.
class SerialPortRequests final : public PortDataObserver,
                                 public std::enable_shared_from_this<SerialPortRequests> {
public:
    explicit SerialPortRequests(std::weak_ptr<SerialPort> port) : m_port(std::move(port)) {}
    ~SerialPortRequests() override;

    void portReceived(const Bytes& data) override;
    void portClosed() override;

    bool sendRequest(const std::shared_ptr<SerialRequest>& request);
    void cancelQueuedRequest(const std::shared_ptr<SerialRequest>& request);
    void cancelAllQueuedRequests();
    std::vector<std::shared_ptr<SerialRequest>> queuedRequests() const;
    std::shared_ptr<SerialRequest> pendingRequest() const;
    void startListening(const std::shared_ptr<const SerialPacketDescriptor>& descriptor);
    void stopListening(const std::shared_ptr<const SerialPacketDescriptor>& descriptor);
    std::vector<std::shared_ptr<const SerialPacketDescriptor>> packetDescriptors() const;

private:
    void reallySendRequest(SerialPort& port, const std::shared_ptr<SerialRequest>& request,
                           bool& sent);
    void writeEnded(std::uint64_t number, std::error_code error);
    void sendNextRequest(SerialPort& port);
    void pendingRequestDidTimeout(const std::shared_ptr<SerialRequest>& request);
    void checkResponseToPendingRequestAndContinueIfValidWithReceivedByte(
        SerialPort& port, std::optional<std::uint8_t> byte);
    void processReceivedBytes(SerialPort& port, const Bytes& data);
    void announce(Signal<> SerialPort::*change);

    const std::weak_ptr<SerialPort> m_port;
    SerialQueue m_requestHandlingQueue;
    mutable std::mutex m_requestsMutex;
    std::vector<std::shared_ptr<SerialRequest>> m_requestsQueue;
    std::shared_ptr<SerialRequest> m_pendingRequest;
    std::uint64_t m_sendNumber = 0; // of the last request written; on the queue only
    std::shared_ptr<RepeatingTimer> m_pendingRequestTimeoutTimer;
    // The queue's own buffers, bounded as SerialBuffer is; no one observes them. The response
    // buffer is gone once its request has timed out.
    std::optional<Bytes> m_requestResponseReceiveBuffer;
    std::vector<std::pair<std::shared_ptr<const SerialPacketDescriptor>, Bytes>>
        m_packetDescriptorsAndBuffers;
};

} // namespace monctl
