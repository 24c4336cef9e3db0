#pragma once

#include "runtime/Bytes.h"
#include "serial/SerialError.h"

#include <cstdint>
#include <type_traits>

namespace monctl {

class SerialPort;
class SerialPacketDescriptor;
class SerialRequest;

// The receiver of everything a port reports. wasRemovedFromSystem is required; every other
// operation is optional, and a port calls an optional operation only when the delegate
// overrides it, which the port learns from implements(). Derive from
// SerialPortDelegateOf<YourClass> to have that set filled in from your overrides.
// Threads: see SerialPort.h; every call reaches the main thread.
class SerialPortDelegate {
public:
    enum class Operation : std::uint8_t {
        wasRemovedFromSystem,
        didReceiveData,
        didReceivePacket,
        didReceiveResponse,
        requestDidTimeout,
        didEncounterError,
        wasOpened,
        wasClosed,
    };

    virtual ~SerialPortDelegate() = default;

    virtual void wasRemovedFromSystem(SerialPort& port) = 0;
    virtual void didReceiveData(SerialPort&, const Bytes&) {}
    virtual void didReceivePacket(SerialPort&, const Bytes&, const SerialPacketDescriptor&) {}
    virtual void didReceiveResponse(SerialPort&, const Bytes&, const SerialRequest&) {}
    virtual void requestDidTimeout(SerialPort&, const SerialRequest&) {}
    virtual void didEncounterError(SerialPort&, const SerialPortError&) {}
    virtual void wasOpened(SerialPort&) {}
    virtual void wasClosed(SerialPort&) {}

    bool implements(Operation operation) const { return (m_implemented & bit(operation)) != 0; }

protected:
    static constexpr std::uint32_t bit(Operation operation) {
        return 1U << static_cast<unsigned>(operation);
    }
    explicit SerialPortDelegate(std::uint32_t implemented)
        : m_implemented(implemented | bit(Operation::wasRemovedFromSystem)) {}

private:
    std::uint32_t m_implemented;
};

// Works out from Derived's overrides which optional operations it implements.
template <class Derived> class SerialPortDelegateOf : public SerialPortDelegate {
protected:
    SerialPortDelegateOf() : SerialPortDelegate(overridden()) {}

private:
    template <class Own, class Base>
    static constexpr std::uint32_t ifOverridden(Own, Base, Operation operation) {
        return std::is_same_v<Own, Base> ? 0 : bit(operation);
    }

    static constexpr std::uint32_t overridden() {
        using B = SerialPortDelegate;
        using D = Derived;
        return ifOverridden(&D::didReceiveData, &B::didReceiveData, Operation::didReceiveData) |
               ifOverridden(&D::didReceivePacket, &B::didReceivePacket,
                            Operation::didReceivePacket) |
               ifOverridden(&D::didReceiveResponse, &B::didReceiveResponse,
                            Operation::didReceiveResponse) |
               ifOverridden(&D::requestDidTimeout, &B::requestDidTimeout,
                            Operation::requestDidTimeout) |
               ifOverridden(&D::didEncounterError, &B::didEncounterError,
                            Operation::didEncounterError) |
               ifOverridden(&D::wasOpened, &B::wasOpened, Operation::wasOpened) |
               ifOverridden(&D::wasClosed, &B::wasClosed, Operation::wasClosed);
    }
};

} // namespace monctl
