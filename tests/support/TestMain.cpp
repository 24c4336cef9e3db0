#include "support/TestMain.h"

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

namespace monctl::test {
namespace {

std::shared_ptr<AsioMainQueue> installedQueue;

} // namespace

AsioMainQueue& mainQueue() {
    return *installedQueue;
}

bool runMainUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return mainQueue().runUntil(condition, timeout);
}

} // namespace monctl::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Made before any thread logs, as the program's own start does.
    spdlog::default_logger();
    monctl::test::installedQueue = std::make_shared<monctl::AsioMainQueue>();
    monctl::MainQueue::install(monctl::test::installedQueue);
    return RUN_ALL_TESTS();
}
