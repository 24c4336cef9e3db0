#include "support/GuiTestMain.h"

#include "platform/HotKeyServiceLoader.h"
#include "platform/PlatformLoader.h"
#include "runtime/AsioMainQueue.h"
#include "shared/QtMainQueue.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>
#include <gtest/gtest.h>

namespace monctl::test {

bool processEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // Sleeps in the event loop until something happens, or 10 ms at most.
        QEventLoop slice;
        QTimer::singleShot(10, &slice, &QEventLoop::quit);
        slice.exec();
    }
    return true;
}

} // namespace monctl::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // A Chinese desktop: a first start speaks Chinese, whatever the machine running the tests.
    qputenv("LANGUAGE", "zh_CN");
    int status = 0;
    {
        QApplication application(argc, argv);
        monctl::MainQueue::install(std::make_shared<monctl::QtMainQueue>(&application));
        const auto desktop = monctl::loadDesktopBackends().installProgramWide();
        monctl::HotKeyService::use(monctl::loadHotKeyService());
        status = RUN_ALL_TESTS();
        // Replaced while the application still exists: ports may report at any time.
        monctl::MainQueue::install(std::make_shared<monctl::AsioMainQueue>());
    }
    return status;
}
