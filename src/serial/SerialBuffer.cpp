#include "serial/SerialBuffer.h"

namespace monctl {

void appendKeepingNewest(Bytes& held, const Bytes& bytes, std::uint64_t maximumLength) {
    held.insert(held.end(), bytes.begin(), bytes.end());
    if (held.size() > maximumLength)
        held.erase(held.begin(), held.end() - static_cast<long>(maximumLength));
}

void SerialBuffer::appendData(const Bytes& bytes) {
    internalBufferChanged.notify(Change::willChange);
    appendKeepingNewest(m_internalBuffer, bytes, m_maximumLength);
    internalBufferChanged.notify(Change::didChange);
}

void SerialBuffer::clearBuffer() {
    internalBufferChanged.notify(Change::willChange);
    m_internalBuffer = Bytes();
    internalBufferChanged.notify(Change::didChange);
}

} // namespace monctl
