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
    // A concurrent queue for items that wait on the outside world for as long as it takes (a transfer
    // waiting on its server). It has workers of its own: however many of its items wait, and whatever
    // they wait for (a transfer's callbacks wait on serial queues), the global queue and the serial
    // queues still find workers.
    static DispatchQueue& waitingOnTheOutside();
    static std::shared_ptr<DispatchQueue> createSerial(std::string label);

    // Queues the closure; never runs it inline. Once the queues are closed it drops the closure.
    void async(Closure closure);
    // Runs the closure on the queue and waits for it. Called from code already running on this serial
    // queue it runs the closure inline rather than wait for itself; so it does once the queues are closed.
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

    // Quitting: waits until no work item is queued or running on any queue, at most the given seconds of
    // real time, then closes every queue, so that nothing runs on a worker while the process tears down
    // what workers read. Answers whether all work finished in time. Work that running items queue while
    // it waits still runs. Called on the main thread after its run loop is closed (RunLoop::close), so
    // that no item waits for the main thread meanwhile. When all work finished, the workers end too, and
    // what they kept for their threads is destroyed with them.
    static bool finishAllWork(double timeoutSeconds);
    // Opens the queues again after finishAllWork (tests).
    static void reopenForTesting();

    DispatchQueue(std::string label, bool serial);
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

private:
    void runItem(Closure& closure);
    // Queues the closure as async does; answers false, dropping it, once the queues are closed.
    bool enqueue(Closure closure);
    void drain();

    const std::string label_;
    const bool serial_;
    std::mutex mutex_;
    std::deque<Closure> pending_;  // serial queues only
    bool draining_ = false;
};

}  // namespace platform
