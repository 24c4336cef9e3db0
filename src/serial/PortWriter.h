#pragma once

#include "runtime/Bytes.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace monctl {

class DescriptorWatch;
class RepeatingTimer;

// The outgoing side of one opening of a port. Frames wait in order in its queue and are
// written as the descriptor takes them; no write ever waits on a thread: what the driver
// cannot take at once goes out from the main loop when the descriptor has room again.
// A frame the line has not taken within its bound (counted from when it reached the head of
// the queue) fails with ETIMEDOUT, and so does every frame behind it; the writer then counts
// as stalled and refuses frames until the descriptor has room again. Ending the writer (its
// port closing or going away) fails what is queued with the reason given; no byte is written
// after that.
// Threads: enqueue and end from any thread; the waiting for room on the main thread. Every
// `done` is posted to the main queue, never run inside a call.
class PortWriter : public std::enable_shared_from_this<PortWriter> {
public:
    using Done = std::function<void(std::error_code)>;
    // Told why a write failed (once for all the frames it failed), outside the writer's lock,
    // from the thread that met the failure.
    using FailureReport = std::function<void(std::error_code)>;

    PortWriter(int descriptor, FailureReport onFailure);
    ~PortWriter();
    PortWriter(const PortWriter&) = delete;
    PortWriter& operator=(const PortWriter&) = delete;

    // No error when the frame is taken; else the reason it is refused (the end's reason, or
    // ETIMEDOUT while stalled), which `done` is given too.
    std::error_code enqueue(Bytes data, std::chrono::nanoseconds bound, Done done);
    // Fails every queued frame with the reason and refuses frames from then on; the first
    // reason stays. Call before the descriptor is closed.
    void end(std::error_code reason);

private:
    struct Frame {
        Bytes data;
        std::size_t written = 0;
        std::chrono::nanoseconds bound;
        Done done;
    };
    // What a call under the lock leaves to be done once it is released.
    struct Outcome {
        std::vector<std::pair<Done, std::error_code>> finished;
        std::error_code failure;
        bool mustWait = false;
    };

    void writeWhatFits(Outcome& outcome);
    void failAll(std::error_code reason, Outcome& outcome);
    void startHead();
    void settle(Outcome outcome);
    void waitForRoom();
    void roomAvailable();
    void headOverdue(std::uint64_t head);
    void armHeadDeadline();

    const int m_descriptor;
    const FailureReport m_onFailure;

    std::mutex m_mutex;
    std::deque<Frame> m_frames;
    std::uint64_t m_head = 0; // counts the frames that reached the head of the queue
    std::chrono::steady_clock::time_point m_headSince;
    bool m_stalled = false;
    std::error_code m_endReason;
    std::shared_ptr<RepeatingTimer> m_deadline; // for the head that waits for room
    std::uint64_t m_deadlineHead = 0;

    std::unique_ptr<DescriptorWatch> m_roomWatch; // main thread only
};

} // namespace monctl
