#include "input/LongPressWorker.h"

#include "runtime/TraceLog.h"

#include <sstream>
#include <thread>

namespace monctl {
namespace {

std::string thisThread() {
    std::ostringstream text;
    text << std::this_thread::get_id();
    return text.str();
}

} // namespace

LongPressWorker& LongPressWorker::sharedWorker() {
    static LongPressWorker worker; // made once, also when first asked by two threads at once
    return worker;
}

void LongPressWorker::setSink(std::shared_ptr<InputSink> sink) {
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

void LongPressWorker::dormancy() {
    traceLog().debug("dormancy thread = {}", thisThread());
    if (!m_isWakeUp)
        return;
    std::unique_lock lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + dormancyLimit;
    m_sleeping = true;
    m_woken = false;
    const bool woken = m_condition.wait_until(lock, deadline, [this] { return m_woken; });
    m_sleeping = false;
    // Woken: awake again at once. Timed out: dormant until the next wakeUp.
    m_isWakeUp = woken;
}

void LongPressWorker::wakeUp() {
    traceLog().debug("wakeUp thread = {}", thisThread());
    std::lock_guard lock(m_mutex);
    if (m_sleeping) {
        m_woken = true;
        m_condition.notify_one();
        return;
    }
    m_isWakeUp = true;
}

void LongPressWorker::longPressAction(int dx, int dy) {
    std::shared_ptr<InputSink> sink;
    {
        std::lock_guard lock(m_mutex);
        sink = m_sink;
    }
    if (!sink)
        return;
    const auto [x, y] = sink->pointerLocation();
    traceLog().debug("longPress = {}", thisThread());
    // Fixed bounds, not the screen's.
    if ((dx > 0 && x > rightBound) || (dx < 0 && x < 0) || (dy > 0 && y > bottomBound) ||
        (dy < 0 && y < 0))
        return;
    sink->postPointerMove({x + dx, y + dy});
    std::this_thread::sleep_for(stepPause);
}

} // namespace monctl
