#include "serial/ModemLineWatcher.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/ioctl.h>
#include <vector>

using namespace monctl;
using namespace std::chrono_literals;

namespace {

// A driver whose lines the test sets; it can wait for changes or, like some drivers, not.
// What the watcher reports goes to `reports`: the bits of each change, a failure as -errno.
struct FakeDriver {
    std::mutex mutex;
    std::condition_variable changed;
    int bits = 0;
    int generation = 0;
    int failWith = 0;
    bool canWait = true;
    int interrupts = 0;
    bool interrupted = false;
    bool waiting = false;
    std::vector<int> reports;

    // Like the driver's wait, the fake's sees only changes made while it waits.
    void set(int newBits) {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return waiting || !canWait; }));
        bits = newBits;
        ++generation;
        changed.notify_all();
    }
    void fail(int error) {
        std::lock_guard lock(mutex);
        failWith = error;
        changed.notify_all();
    }
    bool reported(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return reports.size() >= count; });
    }
    void report(int what) {
        std::lock_guard lock(mutex);
        reports.push_back(what);
        changed.notify_all();
    }
};

class FakeLines final : public ModemLines {
public:
    explicit FakeLines(std::shared_ptr<FakeDriver> driver) : m_driver(std::move(driver)) {}

    std::error_code read(int& bits) override {
        std::lock_guard lock(m_driver->mutex);
        bits = m_driver->bits;
        return {};
    }

    std::error_code waitForChange() override {
        auto& driver = *m_driver;
        std::unique_lock lock(driver.mutex);
        if (!driver.canWait)
            return std::make_error_code(std::errc::inappropriate_io_control_operation);
        const int seen = driver.generation;
        driver.waiting = true;
        driver.changed.notify_all();
        driver.changed.wait(lock, [&] {
            return driver.generation != seen || driver.interrupted || driver.failWith;
        });
        driver.waiting = false;
        if (driver.failWith)
            return {driver.failWith, std::system_category()};
        if (std::exchange(driver.interrupted, false))
            return std::make_error_code(std::errc::interrupted);
        return {};
    }

    void interrupt(std::thread&) override {
        std::lock_guard lock(m_driver->mutex);
        ++m_driver->interrupts;
        m_driver->interrupted = true;
        m_driver->changed.notify_all();
    }

    bool meansNoChangeWait(std::error_code error) const override {
        return error == std::errc::inappropriate_io_control_operation;
    }

private:
    std::shared_ptr<FakeDriver> m_driver;
};

std::unique_ptr<ModemLineWatcher> watch(const std::shared_ptr<FakeDriver>& driver) {
    return std::make_unique<ModemLineWatcher>(
        std::make_unique<FakeLines>(driver), 0, [driver](int bits) { driver->report(bits); },
        [driver](std::error_code error) { driver->report(-error.value()); });
}

} // namespace

// A driver that cannot wait is read instead. The watcher's end returns only once its thread
// has ended, and it ends the driver's wait to get there.
TEST(ModemLineWatcher, ReportsEachChangeOnceWhetherTheDriverCanWaitOrNot) {
    for (const bool canWait : {true, false}) {
        auto driver = std::make_shared<FakeDriver>();
        driver->canWait = canWait;
        auto watcher = watch(driver);
        driver->set(TIOCM_CTS);
        ASSERT_TRUE(driver->reported(1));
        driver->set(TIOCM_CTS); // woken without a change: nothing to tell
        driver->set(TIOCM_CTS | TIOCM_CD);
        ASSERT_TRUE(driver->reported(2));
        watcher.reset();
        EXPECT_TRUE(driver->interrupts >= 1 || !canWait);
        EXPECT_EQ(driver->reports, (std::vector<int>{TIOCM_CTS, TIOCM_CTS | TIOCM_CD}));
    }
}

TEST(ModemLineWatcher, ReportsAFailureOnceAndStops) {
    auto driver = std::make_shared<FakeDriver>();
    auto watcher = watch(driver);
    driver->fail(EIO); // the device went away
    ASSERT_TRUE(driver->reported(1));
    watcher.reset();
    EXPECT_EQ(driver->reports, std::vector<int>{-EIO});
}
