#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/RunLoop.h"

namespace platform {

// Work queues off the main thread: one global concurrent queue (a pool of worker threads that grows
// when every worker is busy) and serial queues that run one closure at a time, in order, on the pool.
class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    // The default-priority global concurrent queue.
    static DispatchQueue& global();
    static std::shared_ptr<DispatchQueue> createSerial(std::string label);

    // Queues the closure; never runs it inline.
    void async(Closure closure);
    // Runs the closure on the queue and waits for it. Called from code already running on this serial
    // queue it runs the closure inline rather than wait for itself.
    void sync(Closure closure);
    // Queues the closure after the delay; the delay is kept by the main run loop, so it follows
    // virtual time in tests.
    void asyncAfter(double seconds, Closure closure);

    bool isSerial() const { return serial_; }
    const std::string& label() const { return label_; }
    // True when the calling code runs as a work item of this queue.
    bool isCurrent() const;
    // The queue whose work item the calling thread is running, if any.
    static const DispatchQueue* current();

    // Work items queued or running on any queue; the main loop's runUntilIdle waits for zero.
    static int workInFlight();

    DispatchQueue(std::string label, bool serial);
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

private:
    void runItem(Closure& closure);
    void drain();

    const std::string label_;
    const bool serial_;
    std::mutex mutex_;
    std::deque<Closure> pending_;  // serial queues only
    bool draining_ = false;
};

}  // namespace platform
