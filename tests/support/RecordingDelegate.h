#pragma once

#include "serial/SerialPortDelegate.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <ranges>
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
    void requestDidTimeout(SerialPort&, const SerialRequest& request) override {
        calls.push_back({"timeout", {}, {}, &request});
        if (const auto hook = onTimeout) // a copy: the hook may replace itself
            hook(request);
    }
    void didReceivePacket(SerialPort&, const Bytes& data,
                          const SerialPacketDescriptor& descriptor) override {
        calls.push_back({"packet", data, {}, &descriptor});
    }

    std::vector<std::string> operations() const {
        const auto names = calls | std::views::transform(&Call::operation);
        return {names.begin(), names.end()};
    }
    std::size_t count(const std::string& operation) const {
        return static_cast<std::size_t>(std::ranges::count(calls, operation, &Call::operation));
    }
    Bytes receivedBytes() const {
        const auto all = calls | std::views::transform(&Call::data) | std::views::join;
        return {all.begin(), all.end()};
    }
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
