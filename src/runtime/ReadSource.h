#pragma once

#include "runtime/DescriptorWatch.h"

#include <atomic>
#include <functional>
#include <memory>

namespace monctl {

// A read-event source on the main loop: calls `onReadable` on the main thread whenever the
// descriptor has bytes to read (or has hung up). Readiness may be reported once per change,
// so `onReadable` must read until the descriptor would block; it returns false to stop
// watching (the source then waits for cancel()).
// cancel() may be called from any thread; `onCancel` then runs exactly once, on the main
// thread, after the last `onReadable` has returned. The source never closes the
// descriptor: that is the cancel handler's job. The main queue must be installed and run.
class ReadSource : public std::enable_shared_from_this<ReadSource> {
public:
    using ReadHandler = std::function<bool()>;
    using CancelHandler = std::function<void()>;

    static std::shared_ptr<ReadSource> start(int descriptor, ReadHandler onReadable,
                                             CancelHandler onCancel);
    ReadSource(int descriptor, ReadHandler onReadable, CancelHandler onCancel);
    ReadSource(const ReadSource&) = delete;
    ReadSource& operator=(const ReadSource&) = delete;

    void cancel();

private:
    void watch();
    void readable();
    void finishWhenNotReading();
    void finish();

    const int m_descriptor;
    ReadHandler m_onReadable;
    CancelHandler m_onCancel;
    std::unique_ptr<DescriptorWatch> m_watch; // main thread only, like the state below
    // A read handler may run an event loop (a modal message), in which the source may be
    // read again or cancelled: the end waits for the outermost read to return.
    int m_readingDepth = 0;
    bool m_stopWatching = false;
    bool m_finishPending = false;
    bool m_finished = false;
    std::atomic<bool> m_cancelRequested{false};
};

} // namespace monctl
