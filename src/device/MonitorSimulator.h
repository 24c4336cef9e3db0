#pragma once

#include "device/DeviceFrame.h"
#include "device/Protocol.h"
#include "device/PseudoTerminal.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace monctl {

// A monitor at the far end of a pseudo-terminal, for tests and demonstrations. It answers
// the probe with the identity reply and read-backs with its settings, takes settings,
// fast refreshes and time synchronisations, and records every command frame it receives.
// Its own thread does all the talking; every member may be called from any thread.
class MonitorSimulator {
public:
    struct Settings {
        int contrast = 5; // 1..9
        int mode = 2;     // 2 text, 3 graphic, 4 video
        int speed = 1;    // 1..5
    };
    using FrameObserver = std::function<void(const std::string& frame)>;

    MonitorSimulator();
    explicit MonitorSimulator(Settings initial, FrameObserver onFrame = nullptr);
    ~MonitorSimulator();
    MonitorSimulator(const MonitorSimulator&) = delete;
    MonitorSimulator& operator=(const MonitorSimulator&) = delete;

    // Why the simulator could not start (no pseudo-terminal to be had); empty when it runs.
    std::error_code error() const { return m_terminal.error() ? m_terminal.error() : m_pipeError; }
    // A link to the pseudo-terminal in a folder of its own, gone once unplugged: a path that
    // is watched never leads to the terminal number the system hands out next.
    const std::string& devicePath() const { return m_linkPath; }
    const std::string& terminalPath() const { return m_terminal.devicePath(); }

    // A 24-character frame of the monitor: type, then the value fields.
    static std::string deviceFrame(int type, int commandRe, int commandRq = 0, int value = 0);
    static std::string identityReply() {
        return deviceFrame(DeviceFrame::parameterReply, Protocol::parameterRequest,
                           Protocol::versionParameter, Protocol::versionParameter);
    }

    // Behaviour.
    void setSilent(bool silent); // take frames, answer nothing
    void setAnswerDelay(std::chrono::milliseconds delay);
    void setSplitAnswers(bool split);   // each answer in two writes, 30 ms apart
    void setReadingPaused(bool paused); // leave the line unread
    void sendButton(int subCode);
    void sendSettingReport(int type, int value); // type 1 contrast, 2 mode, 4 speed
    void sendRaw(std::string bytes);             // in one write
    void sendSplit(const std::string& frame, std::chrono::milliseconds pause);
    void sendGarbage(std::size_t count);
    void unplug(); // close the line; the device vanishes

    // Observation.
    Settings settings() const;
    std::vector<std::string> receivedFrames() const;
    std::vector<std::chrono::steady_clock::time_point> receivedTimes() const; // one per frame
    int fastRefreshCount() const;
    int timeSyncCount() const;
    bool waitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    bool isUnplugged() const;

private:
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        std::string bytes;
    };

    void run();
    void wake();
    int pollTimeout() const;
    void readLine();
    void takeFrames();
    void handleFrame(const std::string& frame);
    int* settingOf(int command);
    void answerRequest(int parameter);
    void answer(const std::string& frame);
    void schedule(std::string bytes, std::chrono::milliseconds after);
    void flushDue();
    void writeFully(const std::string& bytes);

    void makeLink();
    void removeLink();

    PseudoTerminal m_terminal;
    std::string m_linkFolder;
    std::string m_linkPath;
    std::error_code m_pipeError;
    FrameObserver m_onFrame;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Settings m_settings;
    bool m_silent = false;
    bool m_splitAnswers = false;
    bool m_readingPaused = false;
    bool m_stopping = false;
    bool m_unplugged = false;
    std::chrono::milliseconds m_answerDelay{0};
    std::deque<Outgoing> m_outgoing;
    std::vector<std::string> m_received;
    std::vector<std::chrono::steady_clock::time_point> m_receivedTimes;
    int m_fastRefreshes = 0;
    int m_timeSyncs = 0;
    std::string m_line; // received text not yet taken as frames
    std::thread m_thread;
};

} // namespace monctl
