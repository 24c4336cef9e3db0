#include "serial/PortWriter.h"

#include "runtime/DescriptorWatch.h"
#include "runtime/MainQueue.h"
#include "runtime/RepeatingTimer.h"
#include "serial/SerialError.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace monctl {
namespace {

std::error_code timedOut() {
    return systemError(ETIMEDOUT);
}

void finish(PortWriter::Done& done, std::error_code reason,
            std::vector<std::pair<PortWriter::Done, std::error_code>>& finished) {
    if (done)
        finished.emplace_back(std::move(done), reason);
}

} // namespace

PortWriter::PortWriter(int descriptor, FailureReport onFailure)
    : m_descriptor(descriptor), m_onFailure(std::move(onFailure)) {}

PortWriter::~PortWriter() = default;

std::error_code PortWriter::enqueue(Bytes data, std::chrono::nanoseconds bound, Done done) {
    Outcome outcome;
    std::error_code refused;
    {
        std::lock_guard lock(m_mutex);
        refused = m_endReason ? m_endReason : m_stalled ? timedOut() : std::error_code();
        if (refused || data.empty()) {
            finish(done, refused, outcome.finished);
        } else {
            m_frames.push_back({std::move(data), 0, bound, std::move(done)});
            // Frames already waiting wait for room; this one goes after them.
            if (m_frames.size() == 1) {
                startHead();
                writeWhatFits(outcome);
            }
        }
    }
    settle(std::move(outcome));
    return refused;
}

void PortWriter::end(std::error_code reason) {
    Outcome outcome;
    {
        std::lock_guard lock(m_mutex);
        if (m_endReason)
            return;
        m_endReason = reason;
        failAll(reason, outcome);
    }
    settle(std::move(outcome));
    auto dropWatch = [self = shared_from_this()] { self->m_roomWatch.reset(); };
    const auto main = MainQueue::shared();
    if (main->isCurrentThread())
        dropWatch();
    else
        main->post(std::move(dropWatch));
}

// Called with the lock held. The descriptor never blocks: the reader keeps it non-blocking.
void PortWriter::writeWhatFits(Outcome& outcome) {
    while (!m_frames.empty()) {
        Frame& head = m_frames.front();
        const ssize_t count =
            ::write(m_descriptor, head.data.data() + head.written, head.data.size() - head.written);
        if (count > 0) {
            head.written += static_cast<std::size_t>(count);
            if (head.written < head.data.size())
                continue;
            finish(head.done, {}, outcome.finished);
            m_frames.pop_front();
            if (!m_frames.empty())
                startHead();
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            outcome.mustWait = true;
            return;
        }
        outcome.failure = systemError(errno);
        failAll(outcome.failure, outcome);
    }
}

// Called with the lock held.
void PortWriter::failAll(std::error_code reason, Outcome& outcome) {
    for (auto& frame : m_frames)
        finish(frame.done, reason, outcome.finished);
    m_frames.clear();
    if (auto deadline = std::exchange(m_deadline, nullptr))
        deadline->cancel();
}

// Called with the lock held.
void PortWriter::startHead() {
    ++m_head;
    m_headSince = std::chrono::steady_clock::now();
    if (auto deadline = std::exchange(m_deadline, nullptr))
        deadline->cancel();
}

void PortWriter::settle(Outcome outcome) {
    if (!outcome.finished.empty())
        MainQueue::shared()->post([finished = std::move(outcome.finished)] {
            for (const auto& [done, reason] : finished)
                done(reason);
        });
    if (outcome.failure && m_onFailure)
        m_onFailure(outcome.failure);
    if (outcome.mustWait)
        waitForRoom();
}

void PortWriter::waitForRoom() {
    const auto main = MainQueue::shared();
    if (!main->isCurrentThread())
        return main->post([self = shared_from_this()] { self->waitForRoom(); });
    {
        std::lock_guard lock(m_mutex);
        if (m_endReason || m_frames.empty())
            return;
        armHeadDeadline();
    }
    if (!m_roomWatch) {
        std::weak_ptr<PortWriter> weak = weak_from_this();
        m_roomWatch = main->watchWritable(m_descriptor, [weak] {
            if (const auto self = weak.lock())
                self->roomAvailable();
        });
    }
}

// Called with the lock held, on the main thread.
void PortWriter::armHeadDeadline() {
    if (m_deadline && m_deadlineHead == m_head)
        return;
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        m_headSince + m_frames.front().bound - std::chrono::steady_clock::now());
    auto overdue = [weak = weak_from_this(), head = m_head] {
        MainQueue::shared()->post([weak, head] {
            if (const auto self = weak.lock())
                self->headOverdue(head);
        });
    };
    m_deadline = RepeatingTimer::start(std::max(left, std::chrono::nanoseconds(0)),
                                       std::chrono::nanoseconds(0), std::move(overdue));
    m_deadlineHead = m_head;
}

// A stall ends as soon as the descriptor has room: the line drains again.
void PortWriter::roomAvailable() {
    Outcome outcome;
    bool idle = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_endReason)
            return;
        m_stalled = false;
        writeWhatFits(outcome);
        idle = m_frames.empty();
    }
    if (idle)
        m_roomWatch.reset();
    settle(std::move(outcome));
}

// The watch stays, to see the line drain again.
void PortWriter::headOverdue(std::uint64_t head) {
    Outcome outcome;
    {
        std::lock_guard lock(m_mutex);
        if (m_endReason || m_frames.empty() || head != m_head)
            return;
        outcome.failure = timedOut();
        failAll(outcome.failure, outcome);
        m_stalled = true;
    }
    settle(std::move(outcome));
}

} // namespace monctl
