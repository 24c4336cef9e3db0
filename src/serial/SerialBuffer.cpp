#include "serial/SerialBuffer.h"

namespace monctl {

void SerialBuffer::appendData(const Bytes& bytes) {
    internalBufferChanged.notify(Change::willChange);
    m_internalBuffer.insert(m_internalBuffer.end(), bytes.begin(), bytes.end());
    if (m_internalBuffer.size() > m_maximumLength)
        m_internalBuffer.erase(m_internalBuffer.begin(),
                               m_internalBuffer.end() - static_cast<long>(m_maximumLength));
    internalBufferChanged.notify(Change::didChange);
}

void SerialBuffer::clearBuffer() {
    internalBufferChanged.notify(Change::willChange);
    m_internalBuffer = Bytes();
    internalBufferChanged.notify(Change::didChange);
}

} // namespace monctl
