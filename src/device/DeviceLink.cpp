#include "device/DeviceLink.h"

#include "device/CommandFrame.h"
#include "device/DeviceLinkDelegate.h"
#include "device/PortCommand.h"
#include "device/Protocol.h"
#include "runtime/MainQueue.h"
#include "runtime/NotificationCenter.h"
#include "runtime/RepeatingTimer.h"
#include "runtime/TraceLog.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"

#include <algorithm>
#include <cstdio>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

bool isValid(const DeviceLinkState& state, const std::shared_ptr<SerialPort>& port) {
    const auto& valid = state.validPorts;
    return valid && std::any_of(valid->begin(), valid->end(),
                                [&](const auto& listed) { return *listed == *port; });
}

} // namespace

void DeviceLink::initSerialPorts() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (SerialPortManager::sharedSerialPortManager().availablePorts().empty())
        traceLog().debug("No connected serial ports found. Please connect your USB to serial "
                         "adapter(s) and run the program again.\n\n");
}

void DeviceLink::adoptValidPorts(std::shared_ptr<PortList> ports,
                                 std::weak_ptr<ReportController> controller) {
    assertMainThread();
    m_state->validPorts = std::move(ports);
    m_state->reportController = std::move(controller);
}

void DeviceLink::startProbe() {
    assertMainThread();
    auto& state = *m_state;
    const auto ports = SerialPortManager::sharedSerialPortManager().availablePorts();
    state.portHelper = std::make_shared<DeviceLinkDelegate>(m_state);
    state.probe = [weak = std::weak_ptr(m_state)](const std::shared_ptr<SerialPort>& port) {
        if (const auto linked = weak.lock())
            probePort(linked, port);
    };
    // Monitors plugged in later are probed as they appear.
    state.hotPlug = NotificationCenter::defaultCenter().addObserver(
        SerialPortManager::SerialPortWasConnectedNotification,
        [weak = std::weak_ptr(m_state)](const Notification& added) {
            const auto linked = weak.lock();
            if (!linked)
                return;
            const auto& key = SerialPortManager::ConnectedSerialPortsKey;
            for (const auto& port : std::any_cast<SerialPortManager::Ports>(added.userInfo.at(key)))
                probePort(linked, port);
        });
    if (ports.empty()) {
        spdlog::info("No serial device to probe");
        traceLog().info("startPin error end return");
        return;
    }
    for (const auto& port : ports)
        probePort(m_state, port);
}

void DeviceLink::probePort(const std::shared_ptr<DeviceLinkState>& state,
                           const std::shared_ptr<SerialPort>& port) {
    const auto& helper = state->portHelper;
    // Nothing here throws: failures reach the delegate as error values.
    spdlog::info("{}: probing (asking for the firmware version)", port->path());
    traceLog().debug("startPinAvailablePorts11111 {}", port->name());
    helper->setSerialPort(port);
    helper->serialPort()->setDelegate(helper);
    traceLog().debug("startPinAvailablePorts11111 {}", helper->serialPort()->name());
    port->open();
    traceLog().debug("startPinAvailablePorts  获取参数--MCU版本号");
    traceLog().debug("startPinAvailablePorts serialPort,fileDr {}", port->name());
    sendDataWithCommand(*port, Protocol::parameterRequest, Protocol::versionParameter);
    traceLog().debug("startPinAvailablePorts");
    traceLog().debug("startPinAvailablePorts  end222222222");
    letGoUnlessAnswered(state, port);
}

// A device that does not answer as a monitor is closed again, so that other programs can
// use it while this one runs.
void DeviceLink::letGoUnlessAnswered(const std::weak_ptr<DeviceLinkState>& state,
                                     const std::shared_ptr<SerialPort>& port) {
    if (!port->isOpen())
        return;
    std::weak_ptr<SerialPort> weak = port;
    RepeatingTimer::start(probeAnswerLimit, std::chrono::nanoseconds(0), [state, weak] {
        MainQueue::shared()->post([state, weak] {
            auto silent = weak.lock();
            auto linked = state.lock();
            if (!silent || !linked || !silent->isOpen() || isValid(*linked, silent))
                return;
            spdlog::info("{} gave no identity reply within {} s: closed", silent->name(),
                         probeAnswerLimit.count());
            silent->close();
        });
    });
}

void DeviceLink::currentDisplayPort(int indexOfPortsArr) {
    assertMainThread();
    auto& state = *m_state;
    const std::size_t count = state.validPorts ? state.validPorts->size() : 0;
    traceLog().debug("currentDisplayPort indexOfPortsArr = {}", indexOfPortsArr);
    traceLog().debug("currentDisplayPort caluPortsArr.count = {}", count);
    // Compared as unsigned, so a negative index is out of range too.
    const auto index = static_cast<std::uint64_t>(static_cast<std::int64_t>(indexOfPortsArr));
    if (index >= count) {
        traceLog().info("currentDisplayPort 未找到匹配的设备应该显示不能调整");
        return;
    }
    state.currentPort = (*state.validPorts)[index];
}

bool DeviceLink::sendCommand(int command, int value) {
    assertMainThread();
    traceLog().debug("sendCommand****** command = {}, optional = {}", command, value);
    const auto& port = m_state->currentPort;
    if (!port || !port->isOpen()) {
        traceLog().debug("需要弹窗显示异常 currentPort = {}", port ? port->name() : "(null)");
        return false;
    }
    const auto admitted = CommandFrame::admittedValue(command, value);
    if (!admitted) {
        traceLog().debug("需要弹窗显示异常");
        return false;
    }
    const auto frame = CommandFrame::format(static_cast<std::uint8_t>(command), *admitted);
    traceLog().debug("\n> has send Data value {}", CommandFrame::lowerCase(frame));
    // A frame the port cannot take (closed, going away, its line stalled) is not sent: the
    // caller hears so. One it takes goes out as the line allows; a failure then reaches the
    // port's delegate.
    return port->sendData(bytesOf(frame));
}

} // namespace monctl
