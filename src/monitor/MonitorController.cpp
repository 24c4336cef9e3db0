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

std::vector<std::pair<Setting, int>> valuesOf(const MonitorSettings& settings) {
    return {{Setting::contrast, settings.contrast},
            {Setting::mode, settings.mode},
            {Setting::speed, settings.speed}};
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
    return held(setting).value;
}

std::optional<SettingSource> MonitorController::source(Setting setting) const {
    const auto& entry = held(setting);
    return entry.value ? std::optional(entry.source) : std::nullopt;
}

std::optional<int> MonitorController::expected(Setting setting) const {
    const auto& entry = held(setting);
    return entry.queuedWrites > 0 ? std::optional(entry.lastQueued) : entry.value;
}

int MonitorController::contrastStep() const {
    const auto contrast = expected(Setting::contrast);
    return contrast ? *contrast - 1 : 0;
}

void MonitorController::set(Setting setting, int value, Done done, ChangeNotice notice) {
    queueWrite(setting, value, {}, std::move(done), notice);
}

void MonitorController::queueWrite(Setting setting, int value, std::chrono::milliseconds pauseAfter,
                                   Done done, ChangeNotice notice) {
    const auto command = static_cast<int>(setting);
    const auto order = m_nextOrder++;
    auto& entry = held(setting);
    ++entry.queuedWrites;
    entry.lastQueued = CommandFrame::admittedValue(command, value).value_or(value);
    m_pacer.queue(command, value, pauseAfter,
                  [weak = weak_from_this(), setting, value, order, notice,
                   done = std::move(done)](std::error_code error) {
                      if (const auto self = weak.lock()) {
                          --self->held(setting).queuedWrites;
                          if (!error)
                              self->written(setting, value, order, notice);
                      }
                      if (done)
                          done(error);
                  });
}

void MonitorController::written(Setting setting, int value, std::uint64_t order,
                                ChangeNotice notice) {
    held(setting).writtenOrder = order;
    const auto admitted = CommandFrame::admittedValue(static_cast<int>(setting), value);
    hold(setting, admitted.value_or(value), SettingSource::written, notice);
}

void MonitorController::hold(Setting setting, int value, SettingSource source,
                             ChangeNotice notice) {
    auto& entry = held(setting);
    const auto previous = entry.value;
    entry.value = value;
    entry.source = source;
    if (previous != value)
        settingChanged.notify({setting, value, previous, source, notice});
}

void MonitorController::apply(const MonitorSettings& settings, Done done) {
    applyEach(valuesOf(settings), std::move(done));
}

void MonitorController::applyChanges(const MonitorSettings& settings, Done done) {
    auto changes = valuesOf(settings);
    std::erase_if(changes,
                  [this](const auto& change) { return expected(change.first) == change.second; });
    applyEach(std::move(changes), std::move(done));
}

// Written in order, so the last one's end is the end of all.
void MonitorController::applyEach(std::vector<std::pair<Setting, int>> values, Done done) {
    if (values.empty()) {
        if (done)
            done({});
        return;
    }
    const auto firstError = std::make_shared<std::error_code>();
    const auto keep = [firstError](std::error_code error) {
        if (error && !*firstError)
            *firstError = error;
    };
    const auto last = values.back();
    values.pop_back();
    for (const auto& [setting, value] : values)
        set(setting, value, keep);
    set(last.first, last.second, [keep, firstError, done = std::move(done)](auto error) {
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
    const auto id = m_nextOrder++;
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

void MonitorController::changeContrast(int by, Done done) {
    const auto [lowest, highest] = settingRange(Setting::contrast);
    // Widened: a change as large as an int holds must not overflow.
    const long long from = expected(Setting::contrast).value_or(lowest);
    const auto to =
        std::clamp(from + by, static_cast<long long>(lowest), static_cast<long long>(highest));
    set(Setting::contrast, static_cast<int>(to), std::move(done));
}

// Counted from what the monitor will hold once the steps before have gone out, so that quick
// steps never go back.
void MonitorController::stepContrast(int direction) {
    const int index = contrastStep();
    const int next = direction > 0 ? (index <= 7 ? index + 1 : 0) : (index >= 1 ? index - 1 : 8);
    // The monitor is given the protocol's pause to take the new contrast before it is asked.
    queueWrite(Setting::contrast, next + 1, answerWait, {}, ChangeNotice::tell);
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
        m_silence.start(silenceLimit, [this] {
            for (auto& state : m_held)
                state.askedOrders.clear();
            setResponding(false);
        });
    const auto going = std::find_if(m_readBacks.begin(), m_readBacks.end(), [&](const auto& entry) {
        return !entry.sent && entry.setting == setting;
    });
    if (going == m_readBacks.end())
        return;
    held(setting).askedOrders.push_back(going->id);
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
    // An answer to a request that went out before a write of this setting tells what the
    // monitor had before it: the write stands.
    auto& state = held(setting);
    bool answersOlderRequest = false;
    if (!state.askedOrders.empty()) {
        answersOlderRequest = state.askedOrders.front() < state.writtenOrder;
        state.askedOrders.pop_front();
    }
    if (!answersOlderRequest)
        hold(setting, value, SettingSource::reported, ChangeNotice::tell);
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
