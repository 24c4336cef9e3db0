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
        Bytes data{};
        SerialPortError error{};
        const void* about = nullptr; // the request or descriptor
        std::thread::id thread = std::this_thread::get_id();
        std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now();
    };

    void wasRemovedFromSystem(SerialPort&) override { calls.push_back({"removed"}); }
    void didReceiveData(SerialPort&, const Bytes& data) override {
        calls.push_back({"data", data});
    }
    void didEncounterError(SerialPort&, const SerialPortError& error) override {
        calls.push_back({"error", {}, error});
    }
    void wasOpened(SerialPort&) override { calls.push_back({"opened"}); }
    void wasClosed(SerialPort&) override { calls.push_back({"closed"}); }
    void didReceiveResponse(SerialPort&, const Bytes& data, const SerialRequest& request) override {
        calls.push_back({"response", data, {}, &request});
    }
    void requestDidTimeout(SerialPort&, const SerialRequest& request) override;
    void didReceivePacket(SerialPort&, const Bytes& data,
                          const SerialPacketDescriptor& descriptor) override {
        calls.push_back({"packet", data, {}, &descriptor});
    }

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
    void wasRemovedFromSystem(SerialPort&) override {}
};

} // namespace monctl::test
