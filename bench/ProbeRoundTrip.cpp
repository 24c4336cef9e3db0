// Round trip "probe frame written -> simulator answers -> delegate holds the decoded identity
// reply" through SerialPort, beside the floor: a plain blocking write-then-read loop on the
// same kind of pseudo-terminal with the same simulator.
#include "device/DeviceFrame.h"
#include "device/MonitorSimulator.h"
#include "device/PortCommand.h"
#include "runtime/AsioMainQueue.h"
#include "runtime/EventPool.h"
#include "serial/SerialPort.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <asio/post.hpp>
#include <chrono>
#include <fcntl.h>
#include <fmt/format.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace monctl;
using Clock = std::chrono::steady_clock;

namespace {

const std::string probeFrame = "5FF50A10000000000000A0FA";

class IdentityWaiter final : public SerialPortDelegateOf<IdentityWaiter> {
public:
    void wasRemovedFromSystem(SerialPort&) override {}
    void didReceiveData(SerialPort&, const Bytes& data) override {
        const auto frame = DeviceFrame::decode(data);
        if (frame && frame->isComplete() && frame->isParameterReply() && frame->commandRq == 16 &&
            frame->commandReValue == 16)
            answered = true;
    }
    bool answered = false;
};

struct Figures {
    double median;
    double p99;
};

Figures summarise(std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double fraction) {
        return microseconds[static_cast<std::size_t>(fraction * double(microseconds.size() - 1))];
    };
    return {at(0.5), at(0.99)};
}

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::vector<double> throughSerialPort(int runs) {
    auto main = std::make_shared<AsioMainQueue>();
    MainQueue::install(main);
    MonitorSimulator simulator;
    auto port = SerialPort::serialPortWithPath(simulator.devicePath());
    auto waiter = std::make_shared<IdentityWaiter>();
    port->setDelegate(waiter);
    port->open();
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        waiter->answered = false;
        const auto start = Clock::now();
        sendDataWithCommand(*port, 10, 16);
        if (!main->runUntil([&] { return waiter->answered; }, std::chrono::seconds(2)))
            throw std::runtime_error("the simulator did not answer through the port");
        samples.push_back(since(start));
    }
    port->close();
    main->runUntil([&] { return !port->isOpen(); }, std::chrono::seconds(2));
    return samples;
}

std::vector<double> blockingFloor(int runs) {
    MonitorSimulator simulator;
    const int device = ::open(simulator.devicePath().c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    ::tcgetattr(device, &raw);
    ::cfmakeraw(&raw);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(device, TCSANOW, &raw);
    std::vector<double> samples;
    char reply[64];
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        if (::write(device, probeFrame.data(), probeFrame.size()) != 24)
            throw std::runtime_error("write failed");
        std::size_t got = 0;
        while (got < 24) {
            const auto count = ::read(device, reply + got, sizeof reply - got);
            if (count <= 0)
                throw std::runtime_error("read failed");
            got += static_cast<std::size_t>(count);
        }
        samples.push_back(since(start));
    }
    ::close(device);
    return samples;
}

// One hand-over from a worker of the event pool to a main queue that is waiting for work,
// which the port makes for every chunk it reads and the blocking loop does not.
std::vector<double> mainQueueHandover(int runs) {
    auto main = std::make_shared<AsioMainQueue>();
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        bool arrived = false;
        asio::post(EventPool::shared(), [&] {
            std::this_thread::sleep_for(std::chrono::microseconds(300)); // the main thread sleeps
            const auto posted = Clock::now();
            main->post([&, posted] {
                samples.push_back(since(posted));
                arrived = true;
            });
        });
        main->runUntil([&] { return arrived; }, std::chrono::seconds(2));
    }
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Probe round trip through SerialPort against a plain blocking loop"};
    int runs = 2000;
    app.add_option("--runs", runs, "round trips per measurement")->check(CLI::PositiveNumber);
    CLI11_PARSE(app, argc, argv);

    const auto floor = summarise(blockingFloor(runs));
    const auto port = summarise(throughSerialPort(runs));
    const auto handover = summarise(mainQueueHandover(runs));
    fmt::print("runs {}\n", runs);
    fmt::print("floor  (blocking write/read): median {:8.1f} us  p99 {:8.1f} us\n", floor.median,
               floor.p99);
    fmt::print("serial port to delegate:      median {:8.1f} us  p99 {:8.1f} us\n", port.median,
               port.p99);
    fmt::print("of which one hand-over to the main queue: median {:8.1f} us  p99 {:8.1f} us\n",
               handover.median, handover.p99);
    fmt::print("median ratio {:.2f} (goal: at most 1.50)\n", port.median / floor.median);
    return 0;
}
