#include "app/FramePrinter.h"
#include "device/MonitorSimulator.h"
#include "runtime/AsioMainQueue.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortManager.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <memory>
#include <spdlog/spdlog.h>
#include <vector>

using namespace monctl;

namespace {

// Probes one port, reads contrast, mode and speed back and prints what the monitor says.
int probe(AsioMainQueue& main, const std::shared_ptr<SerialPort>& port) {
    const auto& path = port->path();
    bool answered = false;
    auto printer = std::make_shared<FramePrinter>([&answered] { answered = true; });
    port->setDelegate(printer);
    port->open();
    port->sendDataWithCommand(10, 16);
    if (!main.runUntil([&] { return answered; }, std::chrono::seconds(2))) {
        fmt::print(stderr, "{}: no monitor answered\n", path);
        return 1;
    }
    // One request at a time, as the monitor answers each in a frame of its own.
    for (int parameter : {1, 2, 4}) {
        port->sendDataWithCommand(10, parameter);
        main.runUntil([] { return false; }, std::chrono::milliseconds(330));
    }
    port->close();
    main.runUntil([&] { return !port->isOpen(); }, std::chrono::seconds(1));
    return 0;
}

} // namespace

// Probes every serial port of the machine, or those named.
int probeAll(AsioMainQueue& main, const std::vector<std::string>& paths) {
    SerialPortManager::useRegistry(makeDeviceRegistry(paths));
    const auto& ports = SerialPortManager::sharedSerialPortManager().availablePorts();
    if (ports.empty()) {
        fmt::print(stderr, "No connected serial ports found.\n");
        return 1;
    }
    int failures = 0;
    for (const auto& port : ports)
        failures += probe(main, port);
    return failures == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    CLI::App app{"monctl: control a monitor attached by a USB-to-serial link"};
    bool simulate = false;
    std::vector<std::string> portPaths;
    bool probeEvery = false;
    bool verbose = false;
    app.add_flag("--simulate", simulate, "talk to a built-in simulated monitor");
    app.add_option("--port", portPaths, "look only at the serial device at this path (repeatable)");
    app.add_flag("--probe", probeEvery, "probe the serial ports and read back what monitors say");
    app.add_flag("-v,--verbose", verbose, "log every frame sent");
    CLI11_PARSE(app, argc, argv);
    spdlog::set_level(verbose ? spdlog::level::debug : spdlog::level::warn);

    auto main = std::make_shared<AsioMainQueue>();
    MainQueue::install(main);
    if (simulate) {
        MonitorSimulator simulator;
        fmt::print("Simulated monitor at {}\n", simulator.devicePath());
        return probeAll(*main, {simulator.devicePath()});
    }
    if (probeEvery || !portPaths.empty())
        return probeAll(*main, portPaths);
    fmt::print("{}", app.help());
    return 0;
}
