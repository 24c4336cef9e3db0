#include "serial/SerialRequest.h"

#include "serial/Uuid.h"

#include <fmt/format.h>
#include <limits>

namespace monctl {

std::shared_ptr<SerialRequest> SerialRequest::requestWithDataToSend(
    Bytes dataToSend, std::any userInfo, double timeoutInterval,
    std::shared_ptr<const SerialPacketDescriptor> responseDescriptor) {
    return std::make_shared<SerialRequest>(std::move(dataToSend), std::move(userInfo),
                                           timeoutInterval, std::move(responseDescriptor));
}

std::shared_ptr<SerialRequest>
SerialRequest::requestWithResponseEvaluator(Bytes dataToSend, std::any userInfo,
                                            double timeoutInterval,
                                            SerialPacketDescriptor::Evaluator responseEvaluator) {
    auto descriptor = std::make_shared<const SerialPacketDescriptor>(
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()), std::any(),
        std::move(responseEvaluator));
    return requestWithDataToSend(std::move(dataToSend), std::move(userInfo), timeoutInterval,
                                 std::move(descriptor));
}

SerialRequest::SerialRequest(Bytes dataToSend, std::any userInfo, double timeoutInterval,
                             std::shared_ptr<const SerialPacketDescriptor> responseDescriptor)
    : m_dataToSend(std::move(dataToSend)), m_userInfo(std::move(userInfo)),
      m_timeoutInterval(timeoutInterval), m_responseDescriptor(std::move(responseDescriptor)),
      m_uuidString(makeUuidString()) {}

bool SerialRequest::dataIsValidResponse(const Bytes& data) const {
    return !m_responseDescriptor || m_responseDescriptor->dataIsValidPacket(data);
}

std::string SerialRequest::description() const {
    std::string bytes;
    for (std::size_t i = 0; i < m_dataToSend.size(); ++i)
        bytes += fmt::format("{}{:02x}", i > 0 && i % 4 == 0 ? " " : "", m_dataToSend[i]);
    return fmt::format("<SerialRequest: {}> data: <{}> userInfo: {} timeout interval: {:.6f}",
                       static_cast<const void*>(this), bytes,
                       m_userInfo.has_value() ? "(set)" : "(null)", m_timeoutInterval);
}

} // namespace monctl
