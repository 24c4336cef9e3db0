#pragma once

#include "runtime/Bytes.h"
#include "runtime/Signal.h"

#include <cstdint>

namespace monctl {

// Appends the bytes, then drops the oldest beyond the limit.
void appendKeepingNewest(Bytes& held, const Bytes& bytes, std::uint64_t maximumLength);

// A bounded byte buffer that keeps the newest bytes received, telling of each change. Main
// thread only, as its signal is.
class SerialBuffer {
public:
    enum class Change { willChange, didChange };

    explicit SerialBuffer(std::uint64_t maximumLength) : m_maximumLength(maximumLength) {}

    std::uint64_t maximumLength() const { return m_maximumLength; }
    const Bytes& data() const { return m_internalBuffer; }

    // Appends, then drops the oldest bytes beyond the capacity.
    void appendData(const Bytes& bytes);
    void clearBuffer();

    // Told before and after every change of the bytes held.
    Signal<Change> internalBufferChanged;

private:
    std::uint64_t m_maximumLength;
    Bytes m_internalBuffer;
};

} // namespace monctl
