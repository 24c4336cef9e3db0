#include "monitor/MonitorController.h"

#include "device/CommandFrame.h"
#include "device/Protocol.h"
#include "device/ReportController.h"
#include "monitor/MonitorError.h"
#include "runtime/MainQueue.h"
#include "serial/SerialPort.h"

#include <algorithm>
#include <fmt/format.h>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

enum Command { fastRefreshCommand = 3, syncTimeCommand = 5 };

// A write that failed because the device is no longer there to take it.
bool meansGone(std::error_code error) {
    return error == std::errc::bad_file_descriptor || error == std::errc::io_error ||
           error == std::errc::no_such_device_or_address || error == std::errc::no_such_device ||
           error == std::errc::operation_canceled || error == std::errc::broken_pipe;
}

// A command as the verbose log tells it.
std::string commandText(int command, int value) {
    switch (command) {
    case Protocol::parameterRequest:
        return fmt::format("a read-back of the {}", settingName(static_cast<Setting>(value)));
    case fastRefreshCommand:
        return "a fast refresh";
    case syncTimeCommand:
        return "the time";
    default:
        return "set " + settingText(static_cast<Setting>(command), value);
    }
}

} // namespace

// What the device link tells of this port, as the controller's state and events.
class MonitorController::Reports final : public ReportController {
public:
    explicit Reports(MonitorController& monitor) : m_monitor(monitor) {}

    void updateViewThresholdDisplay(int value) override {
        m_monitor.reported(Setting::contrast, value);
    }
    void updateViewModeDisplay(int value) override { m_monitor.reported(Setting::mode, value); }
    void updateViewSpeedDisplay(int value) override { m_monitor.reported(Setting::speed, value); }
    void updateMainViewContent() override {}
    void receiveKeyBoardClickWithCode(int keyCode) override {
        press({ButtonEvent::Kind::key, keyCode});
    }
    void receiveKeyBoardClickWithCodeForStarter() override { press({ButtonEvent::Kind::starter}); }
    void receiveMouseMovePointX(int dx, int dy) override {
        press({ButtonEvent::Kind::pointer, dx, dy});
    }
    void receiveMouseClickEvent(int button) override { press({ButtonEvent::Kind::click, button}); }
    void receiveMouseLongMovePointX(int dx, int dy) override {
        press({ButtonEvent::Kind::longMove, dx, dy});
    }

private:
    void press(const ButtonEvent& event) { m_monitor.buttonPressed.notify(event); }

    MonitorController& m_monitor;
};

MonitorController::MonitorController(std::shared_ptr<SerialPort> port)
    : m_port(std::move(port)), m_reports(std::make_unique<Reports>(*this)),
      m_pacer(
          [this](int command, int value, Done done) { write(command, value, std::move(done)); }) {}

MonitorController::~MonitorController() {
    goAway();
}

ReportController& MonitorController::reports() {
    return *m_reports;
}

const std::string& MonitorController::path() const {
    return m_port->path();
}

const std::string& MonitorController::name() const {
    return m_port->name();
}

std::optional<int> MonitorController::setting(Setting setting) const {
    return m_settings[static_cast<std::size_t>(setting)];
}

void MonitorController::set(Setting setting, int value, Done done) {
    m_pacer.queue(
        static_cast<int>(setting), value, {},
        [weak = weak_from_this(), setting, value, done = std::move(done)](std::error_code error) {
            if (const auto self = weak.lock(); self && !error)
                self->settingWritten.notify(setting, value);
            if (done)
                done(error);
        });
}

void MonitorController::apply(const MonitorSettings& settings, Done done) {
    const auto firstError = std::make_shared<std::error_code>();
    const auto keep = [firstError](std::error_code error) {
        if (error && !*firstError)
            *firstError = error;
    };
    set(Setting::contrast, settings.contrast, keep);
    set(Setting::mode, settings.mode, keep);
    set(Setting::speed, settings.speed, [keep, firstError, done = std::move(done)](auto error) {
        keep(error);
        if (done)
            done(*firstError);
    });
}

std::optional<MonitorSettings> MonitorController::settings() const {
    const auto contrast = setting(Setting::contrast);
    const auto mode = setting(Setting::mode);
    const auto speed = setting(Setting::speed);
    if (!contrast || !mode || !speed)
        return std::nullopt;
    return MonitorSettings{*contrast, *mode, *speed};
}

void MonitorController::fastRefresh(Done done) {
    m_pacer.queue(fastRefreshCommand, 1, {}, std::move(done));
}

void MonitorController::syncTime(Done done) {
    m_pacer.queue(syncTimeCommand, 0, {}, std::move(done));
}

void MonitorController::readBack(Setting setting, std::chrono::milliseconds wait, Answer answer) {
    if (m_gone) {
        if (answer)
            answer(MonitorError::wentAway, 0);
        return;
    }
    const auto id = m_nextReadBack++;
    auto& entry = m_readBacks.emplace_back();
    entry.id = id;
    entry.setting = setting;
    entry.wait = wait;
    entry.answer = std::move(answer);
    m_pacer.queue(Protocol::parameterRequest, static_cast<int>(setting), answerWait,
                  [weak = weak_from_this(), id](std::error_code error) {
                      if (const auto self = weak.lock(); self && error)
                          self->endReadBack(id, error);
                  });
}

void MonitorController::readBackAll() {
    for (const auto setting : allSettings)
        readBack(setting);
}

void MonitorController::stepContrast(int direction) {
    if (direction > 0)
        m_contrastStep = m_contrastStep <= 7 ? m_contrastStep + 1 : 0;
    else
        m_contrastStep = m_contrastStep >= 1 ? m_contrastStep - 1 : 8;
    // The monitor is given the protocol's pause to take the new contrast before it is asked.
    m_pacer.queue(static_cast<int>(Setting::contrast), m_contrastStep + 1, answerWait);
    readBack(Setting::contrast);
}

void MonitorController::goAway() {
    if (m_gone)
        return;
    m_gone = true;
    m_silence.cancel();
    m_pacer.dropAll(MonitorError::wentAway);
    while (!m_readBacks.empty())
        endReadBack(m_readBacks.front().id, MonitorError::wentAway);
    wentAway.notify();
}

void MonitorController::write(int command, int value, Done done) {
    if (command == Protocol::parameterRequest)
        requestGoingOut(static_cast<Setting>(value));
    const auto finish = [done = std::move(done)](std::error_code error) {
        if (done)
            done(error);
    };
    if (m_gone || !m_port->isOpen()) {
        finish(MonitorError::wentAway);
        return;
    }
    const auto admitted = CommandFrame::admittedValue(command, value);
    if (!admitted) {
        finish(std::make_error_code(std::errc::invalid_argument));
        return;
    }
    const auto frame = CommandFrame::format(static_cast<std::uint8_t>(command), *admitted);
    const auto told = fmt::format("{}: {}", path(), commandText(command, *admitted));
    spdlog::info("{}: sending ({})", told, frame);
    m_port->sendData(bytesOf(frame),
                     [weak = weak_from_this(), finish, told](std::error_code error) {
                         const auto self = weak.lock();
                         if (error && (!self || self->m_gone || meansGone(error)))
                             error = MonitorError::wentAway;
                         if (error)
                             spdlog::info("{}: not sent: {}", told, error.message());
                         else
                             spdlog::info("{}: sent", told);
                         finish(error);
                     });
}

// The oldest read-back of this setting not yet sent is the one going out: requests of one
// setting leave in the order they were queued.
void MonitorController::requestGoingOut(Setting setting) {
    if (!m_silence.isActive())
        m_silence.start(silenceLimit, [this] { setResponding(false); });
    const auto going = std::find_if(m_readBacks.begin(), m_readBacks.end(), [&](const auto& entry) {
        return !entry.sent && entry.setting == setting;
    });
    if (going == m_readBacks.end())
        return;
    if (!going->answer) {
        m_readBacks.erase(going);
        return;
    }
    going->sent = true;
    if (going->wait.count() > 0)
        going->deadline.start(going->wait, [this, id = going->id, setting] {
            spdlog::info("{}: no answer to the read-back of the {}", path(), settingName(setting));
            endReadBack(id, MonitorError::noAnswer);
        });
}

void MonitorController::reported(Setting setting, int value) {
    spdlog::info("{}: reports {}", path(), settingText(setting, value));
    m_silence.cancel();
    setResponding(true);
    m_settings[static_cast<std::size_t>(setting)] = value;
    if (setting == Setting::contrast)
        m_contrastStep = value - 1;
    // Those asked before this report came. The askers and listeners hear of it before the
    // pause's end sends the next request, so what they queue goes out behind it.
    std::vector<std::uint64_t> answered;
    for (const auto& entry : m_readBacks) {
        if (entry.sent && entry.setting == setting)
            answered.push_back(entry.id);
    }
    for (const auto id : answered)
        endReadBack(id, {}, value);
    settingReported.notify(setting, value);
    m_pacer.endPauseAfter(Protocol::parameterRequest, static_cast<int>(setting));
}

void MonitorController::endReadBack(std::uint64_t id, std::error_code error, int value) {
    const auto entry = std::find_if(m_readBacks.begin(), m_readBacks.end(),
                                    [&](const auto& readBack) { return readBack.id == id; });
    if (entry == m_readBacks.end())
        return;
    auto answer = std::move(entry->answer);
    m_readBacks.erase(entry);
    if (answer)
        answer(error, value);
}

void MonitorController::setResponding(bool responding) {
    if (responding == m_responding)
        return;
    m_responding = responding;
    respondingChanged.notify(responding);
}

} // namespace monctl
