#pragma once

#include <chrono>
#include <functional>

namespace monctl::test {

// Runs the Qt event loop until the condition holds; false when the deadline passed first.
bool processEventsUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace monctl::test
