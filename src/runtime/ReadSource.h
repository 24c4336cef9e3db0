#pragma once

#include "runtime/SerialQueue.h"

#include <asio/posix/stream_descriptor.hpp>
#include <atomic>
#include <functional>
#include <memory>

namespace monctl {

// A read-event source on the event pool: calls `onReadable` whenever the descriptor has
// bytes to read (or has hung up), one call at a time. Readiness is edge-triggered, so
// `onReadable` must read until the descriptor would block; it returns false to stop
// watching (the source then waits for cancel()).
// cancel() may be called from any thread; `onCancel` then runs exactly once, on the
// source's queue, after the last `onReadable` has returned. The source never closes the
// descriptor: that is the cancel handler's job. Watching puts the descriptor into
// non-blocking mode.
class ReadSource : public std::enable_shared_from_this<ReadSource> {
public:
    using ReadHandler = std::function<bool()>;
    using CancelHandler = std::function<void()>;

    static std::shared_ptr<ReadSource> start(int descriptor, ReadHandler onReadable,
                                             CancelHandler onCancel);
    ReadSource(int descriptor, ReadHandler onReadable, CancelHandler onCancel);
    ~ReadSource();
    ReadSource(const ReadSource&) = delete;
    ReadSource& operator=(const ReadSource&) = delete;

    void cancel();

private:
    void watch();
    void readable();
    void finish();

    SerialQueue m_queue;
    asio::posix::stream_descriptor m_descriptor;
    ReadHandler m_onReadable;
    CancelHandler m_onCancel;
    bool m_waiting = false;
    bool m_finished = false;
    std::atomic<bool> m_cancelRequested{false};
};

} // namespace monctl
