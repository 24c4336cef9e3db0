#include "support/TestMain.h"

#include <gtest/gtest.h>
#include <memory>
#include <spdlog/spdlog.h>

namespace monctl::test {
namespace {

std::shared_ptr<AsioMainQueue>& installed() {
    static std::shared_ptr<AsioMainQueue> queue;
    return queue;
}

} // namespace

AsioMainQueue& mainQueue() {
    return *installed();
}

bool runMainUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return mainQueue().runUntil(condition, timeout);
}

} // namespace monctl::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Made before any thread logs, as the program's own start does.
    spdlog::default_logger();
    monctl::test::installed() = std::make_shared<monctl::AsioMainQueue>();
    monctl::MainQueue::install(monctl::test::installed());
    return RUN_ALL_TESTS();
}
