#pragma once

#include "runtime/AsioMainQueue.h"

#include <chrono>
#include <functional>

namespace monctl::test {

// The main queue of the test process; the test thread is its main thread.
AsioMainQueue& mainQueue();

// Runs the main queue until the condition holds; false when the deadline passed first.
bool runMainUntil(const std::function<bool()>& condition,
                  std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace monctl::test
