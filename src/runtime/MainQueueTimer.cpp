#include "runtime/MainQueueTimer.h"

#include "runtime/MainQueue.h"
#include "runtime/RepeatingTimer.h"

namespace monctl {

MainQueueTimer::~MainQueueTimer() {
    cancel();
}

void MainQueueTimer::start(std::chrono::nanoseconds delay, std::function<void()> task) {
    assertMainThread();
    cancel();
    m_armed = std::make_shared<bool>(true);
    m_timer = RepeatingTimer::start(delay, std::chrono::nanoseconds(0),
                                    [this, armed = std::weak_ptr(m_armed), task = std::move(task)] {
                                        MainQueue::shared()->post([this, armed, task] {
                                            // Still armed means this timer still exists and was not
                                            // started again since.
                                            if (!armed.lock())
                                                return;
                                            m_armed.reset();
                                            m_timer.reset();
                                            task();
                                        });
                                    });
}

void MainQueueTimer::cancel() {
    if (m_timer)
        m_timer->cancel();
    m_timer.reset();
    m_armed.reset();
}

} // namespace monctl
