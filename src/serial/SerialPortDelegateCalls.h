#pragma once

// How SerialPort reaches its delegate; included by the port's own source files only.
#include "runtime/MainQueue.h"
#include "serial/SerialPort.h"

namespace monctl {

// The delegate is looked up when the call runs: it may have changed or gone meanwhile.
template <class Call>
std::function<void()> SerialPort::delegateTask(SerialPortDelegate::Operation operation, Call call) {
    return [self = shared_from_this(), operation, call = std::move(call)] {
        auto receiver = self->delegate();
        if (receiver && receiver->implements(operation))
            call(*receiver, *self);
    };
}

template <class Call>
void SerialPort::callDelegate(SerialPortDelegate::Operation operation, Call call,
                              Delivery delivery) {
    auto task = delegateTask(operation, std::move(call));
    const auto main = MainQueue::shared();
    const bool here = main->isCurrentThread();
    if (here && delivery != Delivery::queued)
        task();
    else if (!here && delivery == Delivery::waited)
        main->postAndWait(task);
    else
        main->post(std::move(task));
}

} // namespace monctl
