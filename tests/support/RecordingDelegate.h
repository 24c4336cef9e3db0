#pragma once

#include "serial/SerialPortDelegate.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace monctl::test {

// A delegate that implements every operation and records each call with its thread.
class RecordingDelegate final : public SerialPortDelegateOf<RecordingDelegate> {
public:
    struct Call {
        std::string operation;
        std::thread::id thread;
        Bytes data;
        SerialPortError error;
        const void* about = nullptr; // the request or descriptor
        std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now();
    };

    void wasRemovedFromSystem(SerialPort& port) override;
    void didReceiveData(SerialPort& port, const Bytes& data) override;
    void didEncounterError(SerialPort& port, const SerialPortError& error) override;
    void wasOpened(SerialPort& port) override;
    void wasClosed(SerialPort& port) override;
    void didReceiveResponse(SerialPort& port, const Bytes& data,
                            const SerialRequest& request) override;
    void requestDidTimeout(SerialPort& port, const SerialRequest& request) override;
    void didReceivePacket(SerialPort& port, const Bytes& data,
                          const SerialPacketDescriptor& descriptor) override;

    std::vector<std::string> operations() const;
    std::size_t count(const std::string& operation) const;
    Bytes receivedBytes() const;
    std::vector<Call> calls;
    // Runs on the main thread after each time-out is recorded.
    std::function<void(const SerialRequest&)> onTimeout;
};

// Implements only the one required operation.
class MinimalDelegate final : public SerialPortDelegateOf<MinimalDelegate> {
public:
    void wasRemovedFromSystem(SerialPort&) override { ++removals; }
    int removals = 0;
};

} // namespace monctl::test
