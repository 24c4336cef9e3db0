#pragma once

#include "monitor/ButtonEvent.h"
#include "monitor/CommandPacer.h"
#include "monitor/Setting.h"
#include "runtime/Signal.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace monctl {

class ReportController;
class SerialPort;

// Where a setting's value came from: the monitor's report, or a frame monctl wrote.
enum class SettingSource { reported, written };

// Whether views that tell of changes tell this one: not when the person made it in a view
// that shows it already.
enum class ChangeNotice { tell, seenWhereMade };

// A setting's value as the controller holds it changed, or became known.
struct SettingChange {
    Setting setting;
    int value;
    std::optional<int> previous; // none: the first value known
    SettingSource source;
    ChangeNotice notice;
};

// One monitor on its port, and the one owner of its settings: for each, the value last
// written to it or reported by it; the commands sent to it (paced: a read-back holds the next
// command back until it is answered, at most answerWait), and what it tells, as events. The device
// link hands it this port's frames only. Main thread only.
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
    // As last written or reported; none before either.
    std::optional<int> setting(Setting setting) const;
    std::optional<SettingSource> source(Setting setting) const;
    // The contrast a step counts from, less one: the last written or reported, moved by the
    // steps and sets still queued; 0 while none is known.
    int contrastStep() const;
    // False from when a read-back went unanswered for silenceLimit until the monitor reports
    // again.
    bool responding() const { return m_responding; }
    // Commands wait to go out, or a pause after one runs.
    bool isBusy() const { return !m_pacer.isIdle(); }

    // The value is the monitor's from when its frame is written.
    void set(Setting setting, int value, Done done = {}, ChangeNotice notice = ChangeNotice::tell);
    // Contrast, mode and speed, paced one after the other; `done` hears the first failure,
    // or no error once the last frame was written.
    void apply(const MonitorSettings& settings, Done done = {});
    // Only those of the settings that differ from what the monitor holds or will hold once
    // what is queued is written.
    void applyChanges(const MonitorSettings& settings, Done done = {});
    // All three as last written or reported; none until each is known.
    std::optional<MonitorSettings> settings() const;
    void fastRefresh(Done done = {});
    void syncTime(Done done = {});
    // Asks for the setting; `answer` hears the value reported after the request went out, or
    // noAnswer once `wait` has passed since.
    void readBack(Setting setting, std::chrono::milliseconds wait = {}, Answer answer = {});
    void readBackAll();
    // The contrast moved by `by`, kept within 1 to 9, counted from what a step counts from.
    void changeContrast(int by, Done done = {});
    // The contrast one step up (+1, from 9 to 1) or down (-1, from 1 to 9) at once, read back
    // a pause later.
    void stepContrast(int direction);

    // What the device link dispatches this port's frames to.
    ReportController& reports();
    // The monitor was taken out of the list: what waits fails, and nothing is sent any more.
    void goAway();

    // Every report the monitor sends, as it comes; a read-back's answer asked before a write
    // that has gone out since is told here but does not undo that write.
    Signal<Setting, int> settingReported;
    // The value held changed: what every view follows.
    Signal<SettingChange> settingChanged;
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

    struct Held {
        std::optional<int> value;
        SettingSource source = SettingSource::reported;
        std::uint64_t writtenOrder = 0; // of the write that set the value
        // Of the read-backs sent and not answered yet, oldest first: a report answers the
        // oldest. Forgotten when the monitor falls silent.
        std::deque<std::uint64_t> askedOrders;
        int queuedWrites = 0;
        int lastQueued = 0; // the value the last queued write sends
    };

    void applyEach(std::vector<std::pair<Setting, int>> values, Done done);
    void queueWrite(Setting setting, int value, std::chrono::milliseconds pauseAfter, Done done,
                    ChangeNotice notice);
    void written(Setting setting, int value, std::uint64_t order, ChangeNotice notice);
    void hold(Setting setting, int value, SettingSource source, ChangeNotice notice);
    // What the setting will be once the writes queued have gone out.
    std::optional<int> expected(Setting setting) const;
    Held& held(Setting setting) { return m_held[static_cast<std::size_t>(setting)]; }
    const Held& held(Setting setting) const { return m_held[static_cast<std::size_t>(setting)]; }
    void write(int command, int value, Done done);
    void requestGoingOut(Setting setting);
    void reported(Setting setting, int value);
    void endReadBack(std::uint64_t id, std::error_code error, int value = 0);
    void setResponding(bool responding);

    std::shared_ptr<SerialPort> m_port;
    std::unique_ptr<Reports> m_reports;
    CommandPacer m_pacer;
    std::array<Held, 5> m_held;      // by protocol number
    std::list<ReadBack> m_readBacks; // in the order their requests were queued
    std::uint64_t m_nextOrder = 1;   // the order in which writes and read-backs were queued
    bool m_gone = false;
    bool m_responding = true;
    MainQueueTimer m_silence; // runs from a request that went out until the next report
};

} // namespace monctl
