#include "support/RecordingDelegate.h"

#include <algorithm>

namespace monctl::test {

void RecordingDelegate::requestDidTimeout(SerialPort&, const SerialRequest& request) {
    calls.push_back({"timeout", {}, {}, &request});
    if (const auto hook = onTimeout) // a copy: the hook may replace itself
        hook(request);
}

std::vector<std::string> RecordingDelegate::operations() const {
    std::vector<std::string> names;
    for (const auto& call : calls)
        names.push_back(call.operation);
    return names;
}

std::size_t RecordingDelegate::count(const std::string& operation) const {
    return static_cast<std::size_t>(std::ranges::count(operations(), operation));
}

Bytes RecordingDelegate::receivedBytes() const {
    Bytes all;
    for (const auto& call : calls)
        all.insert(all.end(), call.data.begin(), call.data.end());
    return all;
}

} // namespace monctl::test
