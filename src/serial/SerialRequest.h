#pragma once

#include "serial/SerialPacketDescriptor.h"

#include <any>
#include <memory>
#include <string>

namespace monctl {

// Bytes to send to a device, what the answer looks like (none: no answer is awaited) and how
// long to wait for it (0 or less: no limit). A queued request is found by identity.
class SerialRequest {
public:
    static std::shared_ptr<SerialRequest>
    requestWithDataToSend(Bytes dataToSend, std::any userInfo, double timeoutInterval,
                          std::shared_ptr<const SerialPacketDescriptor> responseDescriptor);
    // The answer is whatever the evaluator accepts (without one: any first byte), with no
    // practical length limit.
    static std::shared_ptr<SerialRequest>
    requestWithResponseEvaluator(Bytes dataToSend, std::any userInfo, double timeoutInterval,
                                 SerialPacketDescriptor::Evaluator responseEvaluator);

    SerialRequest(Bytes dataToSend, std::any userInfo, double timeoutInterval,
                  std::shared_ptr<const SerialPacketDescriptor> responseDescriptor);

    const Bytes& dataToSend() const { return m_dataToSend; }
    void setDataToSend(Bytes data) { m_dataToSend = std::move(data); }
    const std::any& userInfo() const { return m_userInfo; }
    void setUserInfo(std::any info) { m_userInfo = std::move(info); }
    double timeoutInterval() const { return m_timeoutInterval; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }
    const std::shared_ptr<const SerialPacketDescriptor>& responseDescriptor() const {
        return m_responseDescriptor;
    }
    void setResponseDescriptor(std::shared_ptr<const SerialPacketDescriptor> descriptor) {
        m_responseDescriptor = std::move(descriptor);
    }
    const std::string& UUIDString() const { return m_uuidString; }

    bool dataIsValidResponse(const Bytes& data) const;
    // "<SerialRequest: 0x…> data: <…> userInfo: … timeout interval: 0.500000"
    std::string description() const;

private:
    Bytes m_dataToSend;
    std::any m_userInfo;
    double m_timeoutInterval;
    std::shared_ptr<const SerialPacketDescriptor> m_responseDescriptor;
    std::string m_uuidString;
};

} // namespace monctl
