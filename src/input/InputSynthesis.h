#pragma once

#include "input/InputSink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace monctl {

class RepeatingTimer;

// Turns the monitor's button events into desktop input: key presses, pointer steps that
// stop at the desktop's edge, clicks, long pointer moves every 0.3 s until the release,
// and the "no starter" message. Called on the main thread; long-move steps run on the
// event pool. Made with std::make_shared.
class InputSynthesis : public std::enable_shared_from_this<InputSynthesis> {
public:
    static constexpr auto longMoveInterval = std::chrono::milliseconds(300);

    // `showStarterMessage` shows the "no starter" message, modal, in the interface language;
    // it returns when the message is closed. It is shown once at a time.
    InputSynthesis(std::shared_ptr<InputSink> sink, std::function<void()> showStarterMessage);
    ~InputSynthesis();

    void receiveKeyBoardClickWithCode(int keyCode);
    void receiveKeyBoardClickWithCodeForStarter();
    void receiveMouseMovePointX(int dx, int dy);
    void receiveMouseClickEvent(int button);
    void mouseClick(int button);
    void receiveMouseLongMovePointX(int dx, int dy);
    void runTestForOneSecond(int dx, int dy);
    // Ends a running long move at once, without the last step of a release: its monitor went
    // away, or another monitor became the active one.
    void endLongMove();

    const std::shared_ptr<InputSink>& sink() const { return m_sink; }
    // True until a long move has made its last step.
    bool isLongMoveRunning() const {
        return m_longMoveTimer.load() != nullptr || m_ticksRunning.load() > 0;
    }

private:
    void longMoveTick(int dx, int dy);

    std::shared_ptr<InputSink> m_sink;
    std::function<void()> m_showStarterMessage;
    bool m_starterShown = false; // main thread only
    std::atomic<bool> m_longMoveActive{false};
    std::atomic<int> m_ticksRunning{0};
    std::atomic<std::shared_ptr<RepeatingTimer>> m_longMoveTimer;
};

} // namespace monctl
