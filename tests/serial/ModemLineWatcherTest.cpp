#include "serial/ModemLineWatcher.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/ioctl.h>
#include <vector>

using namespace monctl;
using namespace std::chrono_literals;

namespace {

// A driver whose lines the test sets; it can wait for changes or, like some drivers, not.
class FakeLines final : public ModemLines {
public:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        int bits = 0;
        int generation = 0;
        int failWith = 0;
        bool canWait = true;
        int interrupts = 0;
        bool interrupted = false;
        bool waiting = false;
    };

    explicit FakeLines(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    std::error_code read(int& bits) override {
        std::lock_guard lock(m_state->mutex);
        bits = m_state->bits;
        return {};
    }

    std::error_code waitForChange() override {
        std::unique_lock lock(m_state->mutex);
        if (!m_state->canWait)
            return std::make_error_code(std::errc::inappropriate_io_control_operation);
        const int seen = m_state->generation;
        m_state->waiting = true;
        m_state->changed.notify_all();
        m_state->changed.wait(lock, [&] {
            return m_state->generation != seen || m_state->interrupted || m_state->failWith;
        });
        m_state->waiting = false;
        if (m_state->failWith)
            return {m_state->failWith, std::system_category()};
        if (std::exchange(m_state->interrupted, false))
            return std::make_error_code(std::errc::interrupted);
        return {};
    }

    void interrupt(std::thread&) override {
        std::lock_guard lock(m_state->mutex);
        ++m_state->interrupts;
        m_state->interrupted = true;
        m_state->changed.notify_all();
    }

    bool meansNoChangeWait(std::error_code error) const override {
        return error == std::errc::inappropriate_io_control_operation;
    }

private:
    std::shared_ptr<State> m_state;
};

struct Reports {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<int> changes;
    std::vector<int> failures;

    bool waitFor(std::size_t changeCount, std::size_t failureCount) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, 5s, [&] {
            return changes.size() >= changeCount && failures.size() >= failureCount;
        });
    }
};

std::unique_ptr<ModemLineWatcher> watch(const std::shared_ptr<FakeLines::State>& state,
                                        Reports& reports) {
    return std::make_unique<ModemLineWatcher>(
        std::make_unique<FakeLines>(state), 0,
        [&reports](int bits) {
            std::lock_guard lock(reports.mutex);
            reports.changes.push_back(bits);
            reports.arrived.notify_all();
        },
        [&reports](std::error_code error) {
            std::lock_guard lock(reports.mutex);
            reports.failures.push_back(error.value());
            reports.arrived.notify_all();
        });
}

// Like the driver's wait, the fake's sees only changes made while it waits.
void setLines(FakeLines::State& state, int bits) {
    std::unique_lock lock(state.mutex);
    if (state.canWait) {
        ASSERT_TRUE(state.changed.wait_for(lock, 5s, [&] { return state.waiting; }));
    }
    state.bits = bits;
    ++state.generation;
    state.changed.notify_all();
}

} // namespace

TEST(ModemLineWatcher, ReportsChangesTheDriverWakesItForAndEndsItsWaitAtTheEnd) {
    auto state = std::make_shared<FakeLines::State>();
    Reports reports;
    auto watcher = watch(state, reports);
    setLines(*state, TIOCM_CTS);
    ASSERT_TRUE(reports.waitFor(1, 0));
    setLines(*state, TIOCM_CTS); // woken without a change: nothing to tell
    setLines(*state, TIOCM_CTS | TIOCM_CD);
    ASSERT_TRUE(reports.waitFor(2, 0));
    watcher.reset(); // returns only once the waiting thread has ended
    EXPECT_GE(state->interrupts, 1);
    EXPECT_EQ(reports.changes, (std::vector<int>{TIOCM_CTS, TIOCM_CTS | TIOCM_CD}));
    EXPECT_TRUE(reports.failures.empty());
}

TEST(ModemLineWatcher, ReadsADriverThatCannotWaitAndReportsAFailureOnce) {
    auto state = std::make_shared<FakeLines::State>();
    state->canWait = false;
    Reports reports;
    auto slow = watch(state, reports);
    setLines(*state, TIOCM_DSR);
    ASSERT_TRUE(reports.waitFor(1, 0)) << "the fallback reads see the change";
    slow.reset();

    auto failing = std::make_shared<FakeLines::State>();
    Reports failed;
    auto watcher = watch(failing, failed);
    {
        std::lock_guard lock(failing->mutex);
        failing->failWith = EIO; // the device went away
        failing->changed.notify_all();
    }
    ASSERT_TRUE(failed.waitFor(0, 1));
    watcher.reset();
    EXPECT_EQ(failed.failures, std::vector<int>{EIO});
}
