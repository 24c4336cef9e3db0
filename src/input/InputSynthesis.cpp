#include "input/InputSynthesis.h"

#include "runtime/RepeatingTimer.h"
#include "runtime/TraceLog.h"
#include "shortcut/KeyCodes.h"
#include "shortcut/ModifierFlags.h"

namespace monctl {
namespace {

// The flags the monitor's keys are posted with; other keys keep none.
std::uint64_t postedFlags(int keyCode) {
    if (keyCode == VirtualKey::pageUp || keyCode == VirtualKey::f4 ||
        keyCode == VirtualKey::pageDown)
        return ModifierFlag::function;
    if (keyCode == VirtualKey::m)
        return ModifierFlag::command;
    return 0;
}

} // namespace

InputSynthesis::InputSynthesis(std::shared_ptr<InputSink> sink,
                               std::function<void()> showStarterMessage)
    : m_sink(std::move(sink)), m_showStarterMessage(std::move(showStarterMessage)) {}

InputSynthesis::~InputSynthesis() {
    endLongMove();
}

void InputSynthesis::receiveKeyBoardClickWithCode(int keyCode) {
    m_sink->postKeyPress(static_cast<std::uint16_t>(keyCode), postedFlags(keyCode));
}

// Presses while the message is up would stack more of the same message on top of it.
void InputSynthesis::receiveKeyBoardClickWithCodeForStarter() {
    if (m_starterShown)
        return;
    m_starterShown = true;
    m_showStarterMessage();
    m_starterShown = false;
}

void InputSynthesis::receiveMouseMovePointX(int dx, int dy) {
    if (!m_sink->readsPointer()) {
        m_sink->postPointerStep(dx, dy);
        return;
    }
    const auto [x, y] = m_sink->pointerLocation();
    traceLog().debug("receiveMouseMovePointX Location pointUp x = {}, y = {}",
                     static_cast<float>(x), static_cast<float>(y));
    // Each axis is tested against the position before the step; the step is not cut. The
    // desktop is asked each time, in the pointer's own coordinates: a scaled desktop, screens
    // left of or above the primary one, and screens plugged in meanwhile all count.
    const auto desktop = m_sink->desktopArea();
    if ((dx > 0 && x > desktop.x + desktop.width) || (dx < 0 && x < desktop.x) ||
        (dy > 0 && y > desktop.y + desktop.height) || (dy < 0 && y < desktop.y))
        return;
    m_sink->postPointerMove({x + dx, y + dy});
}

void InputSynthesis::receiveMouseClickEvent(int button) {
    mouseClick(button);
}

void InputSynthesis::mouseClick(int button) {
    const auto at = m_sink->pointerLocation();
    traceLog().debug("mouseClick Location x = {}, y = {}", static_cast<float>(at.x),
                     static_cast<float>(at.y));
    m_sink->postClick(button, at);
}

void InputSynthesis::receiveMouseLongMovePointX(int dx, int dy) {
    traceLog().debug(" 000000 **************** x = {}, y = {}", dx, dy);
    if (dx == 0 && dy == 0) {
        m_longMoveActive = false;
        return;
    }
    m_longMoveActive = true;
    runTestForOneSecond(dx, dy);
}

void InputSynthesis::runTestForOneSecond(int dx, int dy) {
    auto timer = RepeatingTimer::start(std::chrono::nanoseconds(0), longMoveInterval,
                                       [weak = weak_from_this(), dx, dy] {
                                           if (auto self = weak.lock())
                                               self->longMoveTick(dx, dy);
                                       });
    if (auto earlier = m_longMoveTimer.exchange(std::move(timer)))
        earlier->cancel();
}

void InputSynthesis::endLongMove() {
    m_longMoveActive = false;
    if (auto timer = m_longMoveTimer.exchange(nullptr))
        timer->cancel();
}

// On the event pool. After a stop, the next tick cancels the timer (exactly once: whoever
// takes it out of the field cancels it) and makes one last step; after an end, the timer is
// gone and no step follows.
void InputSynthesis::longMoveTick(int dx, int dy) {
    ++m_ticksRunning; // first, so that the move never looks over before its step
    if (m_longMoveActive) {
        receiveMouseMovePointX(dx, dy);
    } else if (auto timer = m_longMoveTimer.exchange(nullptr)) {
        timer->cancel();
        receiveMouseMovePointX(dx, dy);
    }
    --m_ticksRunning;
}

} // namespace monctl
