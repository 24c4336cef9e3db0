// Round trip "probe frame written -> simulator answers -> delegate holds the decoded identity
// reply" through SerialPort, beside the floor: a plain blocking write-then-read loop on the
// same kind of pseudo-terminal with the same simulator, the two taking turns round by round.
#include "device/DeviceFrame.h"
#include "device/MonitorSimulator.h"
#include "device/PortCommand.h"
#include "runtime/AsioMainQueue.h"
#include "serial/SerialPort.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/resource.h>
#include <termios.h>
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

// Voluntary switches: a thread that sleeps until it is woken. Those a busy machine forces
// on a running thread (involuntary ones) are load, not the design, and are left out.
long wakeUps() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

struct Samples {
    std::vector<double> microseconds;
    long switches = 0;

    // Times one round trip and counts the wake-ups of the whole process in it (the
    // simulator's thread included), which the machine's load does not inflate.
    template <class RoundTrip> void measure(RoundTrip roundTrip, bool keep) {
        const long switchesBefore = wakeUps();
        const auto start = Clock::now();
        roundTrip();
        const double took = since(start);
        if (!keep)
            return;
        microseconds.push_back(took);
        switches += wakeUps() - switchesBefore;
    }
};

// The port path: the frame written through SerialPort, the reply read by the main loop and
// decoded at the delegate.
class PortPath {
public:
    explicit PortPath(AsioMainQueue& main) : m_main(main) {
        m_port = SerialPort::serialPortWithPath(m_simulator.devicePath());
        m_port->setDelegate(m_waiter);
        m_port->open();
        if (!m_main.runUntil([&] { return m_port->isOpen(); }, std::chrono::seconds(2)))
            throw std::runtime_error("the port did not open");
    }
    ~PortPath() {
        m_port->close();
        m_main.runUntil([&] { return !m_port->isOpen(); }, std::chrono::seconds(2));
    }

    void roundTrip() {
        m_waiter->answered = false;
        sendDataWithCommand(*m_port, 10, 16);
        if (!m_main.runUntil([&] { return m_waiter->answered; }, std::chrono::seconds(2)))
            throw std::runtime_error("the simulator did not answer through the port");
    }

private:
    AsioMainQueue& m_main;
    MonitorSimulator m_simulator;
    std::shared_ptr<IdentityWaiter> m_waiter = std::make_shared<IdentityWaiter>();
    std::shared_ptr<SerialPort> m_port;
};

// The floor: a plain blocking write-then-read loop on a pseudo-terminal of its own.
class BlockingFloor {
public:
    BlockingFloor() : m_device(::open(m_simulator.devicePath().c_str(), O_RDWR | O_NOCTTY)) {
        termios raw{};
        ::tcgetattr(m_device, &raw);
        ::cfmakeraw(&raw);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        ::tcsetattr(m_device, TCSANOW, &raw);
    }
    ~BlockingFloor() { ::close(m_device); }

    void roundTrip() {
        char reply[64];
        if (::write(m_device, probeFrame.data(), probeFrame.size()) != 24)
            throw std::runtime_error("write failed");
        std::size_t got = 0;
        while (got < 24) {
            const auto count = ::read(m_device, reply + got, sizeof reply - got);
            if (count <= 0)
                throw std::runtime_error("read failed");
            got += static_cast<std::size_t>(count);
        }
    }

private:
    MonitorSimulator m_simulator;
    int m_device;
};

void report(const char* label, const Samples& samples) {
    const auto figures = summarise(samples.microseconds);
    fmt::print("{:<28} median {:7.1f} us  p99 {:7.1f} us  voluntary context switches per round "
               "trip {:.2f}\n",
               label, figures.median, figures.p99,
               double(samples.switches) / double(samples.microseconds.size()));
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Probe round trip through SerialPort against a plain blocking loop"};
    int runs = 2000;
    int warmUp = 200;
    app.add_option("--runs", runs, "round trips measured of each")->check(CLI::PositiveNumber);
    app.add_option("--warm-up", warmUp, "round trips of each not measured")
        ->check(CLI::NonNegativeNumber);
    CLI11_PARSE(app, argc, argv);

    auto main = std::make_shared<AsioMainQueue>();
    MainQueue::install(main);
    BlockingFloor floorPath;
    PortPath portPath(*main);
    Samples floor;
    Samples port;
    // Round by round, so that both see the same moments of a noisy machine.
    for (int round = 0; round < warmUp + runs; ++round) {
        floor.measure([&] { floorPath.roundTrip(); }, round >= warmUp);
        port.measure([&] { portPath.roundTrip(); }, round >= warmUp);
    }
    fmt::print("runs {} (after {} to warm up), interleaved\n", runs, warmUp);
    report("floor (blocking write/read)", floor);
    report("serial port to delegate", port);
    const auto f = summarise(floor.microseconds);
    const auto p = summarise(port.microseconds);
    const double switches = double(port.switches) / double(port.microseconds.size());
    fmt::print("median ratio {:.2f} (goal: at most 1.2) {}\n", p.median / f.median,
               p.median / f.median <= 1.2 ? "met" : "NOT met");
    fmt::print("p99 ratio    {:.2f} (goal: at most 2.0) {}\n", p.p99 / f.p99,
               p.p99 / f.p99 <= 2.0 ? "met" : "NOT met");
    fmt::print("port voluntary context switches per round trip {:.2f} (goal: at most 3) {}\n",
               switches, switches <= 3.0 ? "met" : "NOT met");
    return 0;
}
