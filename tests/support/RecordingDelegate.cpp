#include "support/RecordingDelegate.h"

#include <algorithm>

namespace monctl::test {

void RecordingDelegate::wasRemovedFromSystem(SerialPort&) {
    calls.push_back({"removed", std::this_thread::get_id(), {}, {}});
}

void RecordingDelegate::didReceiveData(SerialPort&, const Bytes& data) {
    calls.push_back({"data", std::this_thread::get_id(), data, {}});
}

void RecordingDelegate::didEncounterError(SerialPort&, const SerialPortError& error) {
    calls.push_back({"error", std::this_thread::get_id(), {}, error});
}

void RecordingDelegate::wasOpened(SerialPort&) {
    calls.push_back({"opened", std::this_thread::get_id(), {}, {}});
}

void RecordingDelegate::wasClosed(SerialPort&) {
    calls.push_back({"closed", std::this_thread::get_id(), {}, {}});
}

void RecordingDelegate::didReceiveResponse(SerialPort&, const Bytes& data,
                                           const SerialRequest& request) {
    calls.push_back({"response", std::this_thread::get_id(), data, {}, &request});
}

void RecordingDelegate::requestDidTimeout(SerialPort&, const SerialRequest& request) {
    calls.push_back({"timeout", std::this_thread::get_id(), {}, {}, &request});
    if (const auto hook = onTimeout) // a copy: the hook may replace itself
        hook(request);
}

void RecordingDelegate::didReceivePacket(SerialPort&, const Bytes& data,
                                         const SerialPacketDescriptor& descriptor) {
    calls.push_back({"packet", std::this_thread::get_id(), data, {}, &descriptor});
}

std::vector<std::string> RecordingDelegate::operations() const {
    std::vector<std::string> names;
    for (const auto& call : calls)
        names.push_back(call.operation);
    return names;
}

std::size_t RecordingDelegate::count(const std::string& operation) const {
    return static_cast<std::size_t>(std::count_if(
        calls.begin(), calls.end(), [&](const Call& call) { return call.operation == operation; }));
}

Bytes RecordingDelegate::receivedBytes() const {
    Bytes all;
    for (const auto& call : calls)
        all.insert(all.end(), call.data.begin(), call.data.end());
    return all;
}

} // namespace monctl::test
