#include "app/FramePrinter.h"
#include "device/MonitorSimulator.h"
#include "runtime/AsioMainQueue.h"
#include "serial/SerialPort.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <memory>
#include <optional>
#include <spdlog/spdlog.h>

using namespace monctl;

namespace {

// Probes one port, reads contrast, mode and speed back and prints what the monitor says.
int probe(AsioMainQueue& main, const std::string& path) {
    auto port = SerialPort::serialPortWithPath(path);
    if (!port) {
        fmt::print(stderr, "{}: no such serial device\n", path);
        return 1;
    }
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

int main(int argc, char** argv) {
    CLI::App app{"monctl: control a monitor attached by a USB-to-serial link"};
    bool simulate = false;
    std::optional<std::string> portPath;
    bool verbose = false;
    app.add_flag("--simulate", simulate, "talk to a built-in simulated monitor");
    app.add_option("--port", portPath, "probe the serial device at this path");
    app.add_flag("-v,--verbose", verbose, "log every frame sent");
    CLI11_PARSE(app, argc, argv);
    spdlog::set_level(verbose ? spdlog::level::debug : spdlog::level::warn);

    auto main = std::make_shared<AsioMainQueue>();
    MainQueue::install(main);
    if (simulate) {
        MonitorSimulator simulator;
        fmt::print("Simulated monitor at {}\n", simulator.devicePath());
        return probe(*main, simulator.devicePath());
    }
    if (portPath)
        return probe(*main, *portPath);
    fmt::print("{}", app.help());
    return 0;
}
