#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform {

using Closure = std::function<void()>;

// True on the process's main thread (the thread that started the program).
bool isMainThread();

class RunLoop;

// A one-shot or repeating timer on a run loop. The run loop keeps a scheduled timer alive until it has
// fired (one-shot) or is invalidated; owners usually keep only a weak reference.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Creates a timer and schedules it on the calling thread's run loop.
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Callback callback);
    // Creates a timer that is not scheduled yet (RunLoop::addTimer).
    static std::shared_ptr<Timer> create(double interval, bool repeats, Callback callback);

    void invalidate();
    bool isValid() const;
    double fireDate() const;
    double timeInterval() const { return interval_; }
    bool repeats() const { return repeats_; }
    // Runs the callback now; a repeating timer keeps its schedule, a one-shot timer is invalidated.
    void fire();

private:
    friend class RunLoop;
    Timer(double interval, bool repeats, Callback callback);

    const double interval_;
    const bool repeats_;
    Callback callback_;
    std::atomic<RunLoop*> loop_{nullptr};  // set once, when first scheduled
    double fireDate_ = 0;                  // guarded by the loop's mutex
    uint64_t sequence_ = 0;                // guarded by the loop's mutex
    bool valid_ = true;                    // guarded by the loop's mutex (or local before scheduling)
};

// A thread's run loop: closures posted to it, timers, and observers that run at the end of each turn,
// before the loop waits. The main run loop runs all application logic; it sleeps while nothing is due.
//
// In virtual time (Clock::useVirtualTime) tests step the main loop with runUntilIdle() and advance();
// a nested wait (runUntil) that has nothing left to do moves virtual time on to the next timer.
class RunLoop {
public:
    static RunLoop& main();
    // The calling thread's run loop (created on first use; the main thread's is main()).
    static RunLoop& current();

    bool isCurrent() const { return std::this_thread::get_id() == thread_; }

    // Queues a closure; it never runs inline, always on a later pass of this loop.
    void post(Closure closure);
    // Queues a closure and waits until it has run. Called on this loop's own thread, it runs the closure
    // at once instead of waiting for itself. Once the loop is closed it stops waiting, the closure unrun.
    void postAndWait(Closure closure);
    // Runs the closure after the delay (0: on the next pass), as a one-shot timer.
    std::shared_ptr<Timer> performAfterDelay(double seconds, Closure closure);

    void addTimer(const std::shared_ptr<Timer>& timer);

    // Runs until stop() is called. Nested calls are allowed; stop() ends the innermost.
    void run();
    void stop();
    // Runs until done() answers true or the timeout passes; answers done().
    bool runUntil(const std::function<bool()>& done, double timeoutSeconds);
    // One pass: the closures queued before it began, the timers due, then the observers. Answers whether
    // it ran a closure or a timer.
    bool runOnce();

    // Adds an observer that runs at the end of every pass; answers its identifier.
    uint64_t addObserver(Closure observer);
    void removeObserver(uint64_t identifier);

    // Test support (main loop): run passes until no closure is queued, no timer is due and no work
    // dispatched to the background queues is still running.
    void runUntilIdle();
    // Virtual time: moves time forward by the given seconds, firing every timer in time order on the way.
    void advance(double seconds);
    // Drops every queued closure, timer and observer, and opens a closed loop again (between tests).
    void reset();

    // The application has quit and this loop will not turn again. A thread waiting in postAndWait, and
    // any that calls it later, goes on at once without its closure having run: it would otherwise wait
    // for ever, and so would whoever waits for that thread (the quit itself, draining the work queues).
    // Closures posted later are queued as ever, for a loop that no one runs. Called on the loop's own thread.
    void close();
    bool isClosed() const;

    size_t pendingTimerCount() const;
    // Closures queued and not yet taken by a pass, those of threads waiting in postAndWait among them.
    size_t pendingClosureCount() const;
    std::optional<double> nextTimerFireDate() const;

    // Called by the dispatch queues when background work starts or finishes, so that runUntilIdle knows.
    void backgroundWorkChanged();

    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

private:
    friend class Timer;
    RunLoop();

    struct Key {
        double due;
        uint64_t sequence;
        bool operator<(const Key& o) const { return due < o.due || (due == o.due && sequence < o.sequence); }
    };

    bool hasWorkLocked(double now) const;
    void waitForWork(std::optional<double> until);
    void scheduleLocked(const std::shared_ptr<Timer>& timer, double due);
    void unscheduleLocked(Timer& timer);

    std::thread::id thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Closure> items_;
    std::map<Key, std::shared_ptr<Timer>> timers_;
    std::vector<std::pair<uint64_t, Closure>> observers_;
    uint64_t nextSequence_ = 1;
    uint64_t nextObserver_ = 1;
    uint64_t wakeups_ = 0;
    int stopRequests_ = 0;
    bool closed_ = false;
};

}  // namespace platform
