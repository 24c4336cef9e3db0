#include "device/DeviceLinkDelegate.h"

#include "device/DeviceLink.h"
#include "device/FrameDispatch.h"
#include "device/ReportController.h"
#include "runtime/MainQueue.h"
#include "runtime/RepeatingTimer.h"
#include "runtime/TraceLog.h"
#include "serial/PlatformTerminal.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"

#include <algorithm>
#include <cstdio>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

bool listed(const PortList& ports, const SerialPort& port) {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const auto& other) { return *other == port; });
}

} // namespace

void DeviceLinkDelegate::didReceiveData(SerialPort& port, const Bytes& data) {
    assertMainThread();
    spdlog::debug("{}: read {} bytes", port.path(), data.size());
    for (const auto& frame : m_assemblers[port.path()].feed(data)) {
        traceLog().debug("接受消息***********command = {:X},CommandRe = {:X}, CommandRq = {:X}, "
                         "CommandReValue = {:X}",
                         frame.command, frame.commandRe, frame.commandRq, frame.commandReValue);
        handleFrame(port, frame);
    }
}

void DeviceLinkDelegate::handleFrame(SerialPort& port, const DeviceFrame& frame) {
    const auto linked = m_state.lock();
    if (!linked || !linked->validPorts)
        return;
    auto& state = *linked;
    auto target = state.reportController.lock();
    if (isIdentityReply(frame)) {
        if (listed(*state.validPorts, port))
            return; // a port is listed once
        spdlog::info("{}: answered the probe: a monitor", port.path());
        state.validPorts->push_back(port.shared_from_this());
        if (target)
            target->updateMainViewContent();
        return;
    }
    // Only a monitor that identified itself may drive the computer.
    if (!listed(*state.validPorts, port)) {
        spdlog::info("{} sent a frame without having answered the probe: dropped", port.name());
        return;
    }
    const auto change = longMoveChangeOf(frame);
    if (change != LongMoveChange::none)
        m_longMovePath = change == LongMoveChange::start ? port.path() : std::string();
    if (auto* own = target ? target->reportsFrom(port) : nullptr)
        dispatchFrame(frame, *own);
}

void DeviceLinkDelegate::wasRemovedFromSystem(SerialPort& port) {
    assertMainThread();
    spdlog::info("{}: went away", port.path());
    traceLog().info("serialPortWasRemovedFromSystem  {}", port.name());
    m_assemblers.erase(port.path());
    const auto linked = m_state.lock();
    if (!linked)
        return;
    auto& state = *linked;
    if (state.validPorts)
        std::erase_if(*state.validPorts,
                      [&](const auto& listedPort) { return *listedPort == port; });
    auto target = state.reportController.lock();
    // A monitor that goes away with a direction button held never sends the release.
    if (port.path() == m_longMovePath) {
        m_longMovePath.clear();
        if (target)
            target->longMoveSourceRemoved();
    }
    if (target)
        target->updateMainViewContent();
    if (state.portHelper)
        state.portHelper->setSerialPort(nullptr);
}

void DeviceLinkDelegate::didEncounterError(SerialPort& port, const SerialPortError& error) {
    spdlog::info("{}: {}: {}", port.path(), port.isOpen() ? "failed" : "cannot be opened",
                 error.description());
    traceLog().debug("{} {} {}", "-[DeviceLinkDelegate serialPort:didEncounterError:]", port.name(),
                     error.text());
    if (const auto linked = m_state.lock())
        linked->portErrors.notify(port.shared_from_this(), error);
    if (error.code == std::errc::device_or_resource_busy && !port.isOpen())
        retryBusyPort(port.shared_from_this());
}

// Another program holds the port (ModemManager probing a new adapter, another monctl, a
// terminal program): it is tried again every half second for ten seconds, then every five
// seconds while the device is listed.
void DeviceLinkDelegate::retryBusyPort(const std::shared_ptr<SerialPort>& port) {
    const auto linked = m_state.lock();
    if (!linked || !linked->probe || !linked->retriesBusyPorts)
        return;
    const int tries = linked->busyRetries[port->path()]++;
    if (tries == 0) {
        const auto holder = platform::holderOf(port->path());
        spdlog::warn("{} is in use by {}; monctl tries again until it is free", port->path(),
                     holder.empty() ? "another program" : holder);
    }
    using namespace std::chrono_literals;
    const auto delay = tries < 20 ? std::chrono::nanoseconds(500ms) : std::chrono::nanoseconds(5s);
    RepeatingTimer::start(delay, 0ns, [state = m_state, weak = std::weak_ptr(port)] {
        MainQueue::shared()->post([state, weak] {
            const auto again = state.lock();
            const auto busy = weak.lock();
            if (again && busy && !busy->isOpen() && SerialPortManager::exists() &&
                listed(SerialPortManager::sharedSerialPortManager().availablePorts(), *busy))
                again->probe(busy);
        });
    });
}

void DeviceLinkDelegate::wasOpened(SerialPort& port) {
    const auto linked = m_state.lock();
    if (linked)
        linked->busyRetries.erase(port.path());
    spdlog::info("Serial port {} was opened", port.name());
}

} // namespace monctl
