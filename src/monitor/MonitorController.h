#pragma once

#include "monitor/ButtonEvent.h"
#include "monitor/CommandPacer.h"
#include "monitor/Setting.h"
#include "runtime/Signal.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace monctl {

class ReportController;
class SerialPort;

// One monitor on its port: its settings as it last reported them, the commands sent to it
// (paced: a read-back holds the next command back until it is answered, at most
// answerWait), and what it tells, as events. The device link hands it this port's frames
// only. Main thread only.
class MonitorController final : public std::enable_shared_from_this<MonitorController> {
public:
    // How a command ended: no error once its frame was written; MonitorError::wentAway when
    // the monitor went first; the write's own error else (ETIMEDOUT: the line stopped).
    using Done = CommandPacer::Done;
    // A read-back's answer: the value, or why there is none (MonitorError::noAnswer).
    using Answer = std::function<void(std::error_code, int value)>;

    static constexpr std::chrono::milliseconds answerWait{330};
    static constexpr std::chrono::milliseconds silenceLimit{1500};

    explicit MonitorController(std::shared_ptr<SerialPort> port);
    ~MonitorController();
    MonitorController(const MonitorController&) = delete;
    MonitorController& operator=(const MonitorController&) = delete;

    const std::shared_ptr<SerialPort>& port() const { return m_port; }
    const std::string& path() const;
    const std::string& name() const;
    // False once the monitor went away: every command fails from then on.
    bool answers() const { return !m_gone; }
    // As last reported; none before the first report.
    std::optional<int> setting(Setting setting) const;
    // The contrast a step counts from, less one: the last reported, or the last step taken.
    int contrastStep() const { return m_contrastStep; }
    // False from when a read-back went unanswered for silenceLimit until the monitor reports
    // again.
    bool responding() const { return m_responding; }
    // Commands wait to go out, or a pause after one runs.
    bool isBusy() const { return !m_pacer.isIdle(); }

    void set(Setting setting, int value, Done done = {});
    // Contrast, mode and speed, paced one after the other; `done` hears the first failure,
    // or no error once the last frame was written.
    void apply(const MonitorSettings& settings, Done done = {});
    // All three as last reported; none until each has been reported once.
    std::optional<MonitorSettings> settings() const;
    void fastRefresh(Done done = {});
    void syncTime(Done done = {});
    // Asks for the setting; `answer` hears the value reported after the request went out, or
    // noAnswer once `wait` has passed since.
    void readBack(Setting setting, std::chrono::milliseconds wait = {}, Answer answer = {});
    void readBackAll();
    // The contrast one step up (+1, from 9 to 1) or down (-1, from 1 to 9) at once, read back
    // a pause later.
    void stepContrast(int direction);

    // What the device link dispatches this port's frames to.
    ReportController& reports();
    // The monitor was taken out of the list: what waits fails, and nothing is sent any more.
    void goAway();

    Signal<Setting, int> settingReported;
    // A value set() sent was written: the monitor took it, though it tells nothing back.
    Signal<Setting, int> settingWritten;
    Signal<ButtonEvent> buttonPressed;
    Signal<> wentAway;
    Signal<bool> respondingChanged;

private:
    class Reports;
    struct ReadBack {
        std::uint64_t id;
        Setting setting;
        std::chrono::milliseconds wait;
        Answer answer; // none: asked for the display only
        bool sent = false;
        MainQueueTimer deadline;
    };

    void write(int command, int value, Done done);
    void requestGoingOut(Setting setting);
    void reported(Setting setting, int value);
    void endReadBack(std::uint64_t id, std::error_code error, int value = 0);
    void setResponding(bool responding);

    std::shared_ptr<SerialPort> m_port;
    std::unique_ptr<Reports> m_reports;
    CommandPacer m_pacer;
    std::array<std::optional<int>, 5> m_settings; // by protocol number
    int m_contrastStep = 0;
    std::list<ReadBack> m_readBacks; // in the order their requests were queued
    std::uint64_t m_nextReadBack = 1;
    bool m_gone = false;
    bool m_responding = true;
    MainQueueTimer m_silence; // runs from a request that went out until the next report
};

} // namespace monctl
