#include "platform/base/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"

namespace platform {

namespace {
// Static initialisation runs on the thread that starts the program, which is the main thread.
const std::thread::id gMainThread = std::this_thread::get_id();
}  // namespace

bool isMainThread() {
    return std::this_thread::get_id() == gMainThread;
}

// ---- Timer ----

Timer::Timer(double interval, bool repeats, Callback callback)
    : interval_(std::max(0.0, std::isfinite(interval) ? interval : 0.0)),
      repeats_(repeats),
      callback_(std::move(callback)) {}

std::shared_ptr<Timer> Timer::create(double interval, bool repeats, Callback callback) {
    return std::shared_ptr<Timer>(new Timer(interval, repeats, std::move(callback)));
}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Callback callback) {
    auto timer = create(interval, repeats, std::move(callback));
    RunLoop::current().addTimer(timer);
    return timer;
}

void Timer::invalidate() {
    // A timer belongs to one loop for its whole life, and that loop's mutex guards its state.
    RunLoop* loop = loop_.load(std::memory_order_acquire);
    if (!loop) {
        valid_ = false;
        return;
    }
    std::shared_ptr<Timer> keep;  // released after the lock, so a callback's captures die outside it
    {
        std::lock_guard lock(loop->mutex_);
        if (!valid_) return;
        valid_ = false;
        auto it = loop->timers_.find(RunLoop::Key{fireDate_, sequence_});
        if (it != loop->timers_.end()) {
            keep = std::move(it->second);
            loop->timers_.erase(it);
        }
    }
}

bool Timer::isValid() const {
    RunLoop* loop = loop_.load(std::memory_order_acquire);
    if (!loop) return valid_;
    std::lock_guard lock(loop->mutex_);
    return valid_;
}

double Timer::fireDate() const {
    RunLoop* loop = loop_.load(std::memory_order_acquire);
    if (!loop) return fireDate_;
    std::lock_guard lock(loop->mutex_);
    return fireDate_;
}

void Timer::fire() {
    if (!isValid()) return;
    auto self = shared_from_this();
    if (callback_) callback_(*this);
    if (!repeats_) invalidate();
}

// ---- RunLoop ----

RunLoop::RunLoop() : thread_(std::this_thread::get_id()) {}

RunLoop& RunLoop::main() {
    // Never destroyed: background threads may still post to it while the process exits.
    static RunLoop* loop = [] {
        auto* l = new RunLoop();
        l->thread_ = gMainThread;
        return l;
    }();
    return *loop;
}

RunLoop& RunLoop::current() {
    if (isMainThread()) return main();
    thread_local std::unique_ptr<RunLoop> loop(new RunLoop());
    return *loop;
}

void RunLoop::post(Closure closure) {
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(closure));
        ++wakeups_;
    }
    wake_.notify_all();
}

void RunLoop::postAndWait(Closure closure) {
    if (isCurrent()) {
        closure();
        return;
    }
    // What the item shares with this waiter is its own, not this stack frame's: a waiter that leaves
    // because the loop closed leaves its item behind in the queue.
    auto work = std::make_shared<Closure>(std::move(closure));
    auto done = std::make_shared<bool>(false);  // guarded by mutex_
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        items_.push_back([this, work, done] {
            {
                // A closed loop's waiter has gone, and the closure may point into its frame.
                std::lock_guard lock(mutex_);
                if (closed_) return;
            }
            (*work)();
            {
                std::lock_guard lock(mutex_);
                *done = true;
            }
            wake_.notify_all();
        });
        ++wakeups_;
    }
    wake_.notify_all();
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return *done || closed_; });
    const bool ran = *done;
    lock.unlock();
    // The closure's captures end here, on the waiting thread, as they did before it was shared.
    if (ran) *work = nullptr;
}

std::shared_ptr<Timer> RunLoop::performAfterDelay(double seconds, Closure closure) {
    auto timer = Timer::create(seconds, false, [closure = std::move(closure)](Timer&) { closure(); });
    addTimer(timer);
    return timer;
}

void RunLoop::scheduleLocked(const std::shared_ptr<Timer>& timer, double due) {
    timer->fireDate_ = due;
    timer->sequence_ = nextSequence_++;
    timers_.emplace(Key{due, timer->sequence_}, timer);
}

void RunLoop::unscheduleLocked(Timer& timer) {
    timers_.erase(Key{timer.fireDate_, timer.sequence_});
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer) {
    if (!timer) return;
    {
        std::lock_guard lock(mutex_);
        RunLoop* owner = timer->loop_.load(std::memory_order_acquire);
        if (owner && owner != this) return;  // a timer belongs to one loop for its whole life
        if (!timer->valid_) return;
        if (owner == this) unscheduleLocked(*timer);
        timer->loop_.store(this, std::memory_order_release);
        scheduleLocked(timer, Clock::now() + timer->interval_);
        ++wakeups_;
    }
    wake_.notify_all();
}

bool RunLoop::hasWorkLocked(double now) const {
    return !items_.empty() || (!timers_.empty() && timers_.begin()->first.due <= now);
}

bool RunLoop::runOnce() {
    bool didWork = false;
    size_t count;
    {
        std::lock_guard lock(mutex_);
        count = items_.size();
    }
    // Only what was queued before this pass; what those closures queue runs on the next pass. Items
    // are taken one at a time so that a nested run keeps them in order.
    for (size_t i = 0; i < count; ++i) {
        Closure closure;
        {
            std::lock_guard lock(mutex_);
            if (items_.empty()) break;
            closure = std::move(items_.front());
            items_.pop_front();
        }
        if (closure) closure();
        didWork = true;
    }

    uint64_t sequenceLimit;
    {
        std::lock_guard lock(mutex_);
        sequenceLimit = nextSequence_;
    }
    const double now = Clock::now();
    for (;;) {
        std::shared_ptr<Timer> timer;
        {
            std::lock_guard lock(mutex_);
            auto it = std::find_if(timers_.begin(), timers_.end(), [&](const auto& entry) {
                return entry.first.due > now || entry.first.sequence < sequenceLimit;
            });
            if (it == timers_.end() || it->first.due > now) break;
            timer = it->second;
            timers_.erase(it);
            if (timer->repeats_ && timer->interval_ > 0) {
                double next = timer->fireDate_ + timer->interval_;
                if (next <= now) next = now + timer->interval_;  // missed fires are skipped, not queued
                scheduleLocked(timer, next);
            } else {
                timer->valid_ = false;
            }
        }
        if (timer->callback_) timer->callback_(*timer);
        didWork = true;
    }

    std::vector<Closure> observers;
    {
        std::lock_guard lock(mutex_);
        for (auto& o : observers_) observers.push_back(o.second);
    }
    for (auto& o : observers) o();
    return didWork;
}

void RunLoop::waitForWork(std::optional<double> until) {
    std::unique_lock lock(mutex_);
    const uint64_t seen = wakeups_;
    auto ready = [&] { return wakeups_ != seen || stopRequests_ > 0 || hasWorkLocked(Clock::now()); };
    if (ready()) return;
    std::optional<double> deadline = until;
    if (!timers_.empty() && !Clock::isVirtual()) {
        double due = timers_.begin()->first.due;
        deadline = deadline ? std::min(*deadline, due) : due;
    }
    if (deadline && !Clock::isVirtual()) {
        double wait = std::max(0.0, *deadline - Clock::now());
        wake_.wait_for(lock, std::chrono::duration<double>(std::min(wait, 3600.0)), ready);
    } else {
        wake_.wait(lock, ready);
    }
}

void RunLoop::run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopRequests_ > 0) {
                --stopRequests_;
                return;
            }
        }
        runOnce();
        waitForWork(std::nullopt);
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        ++stopRequests_;
        ++wakeups_;
    }
    wake_.notify_all();
}

bool RunLoop::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    const double deadline = Clock::now() + std::max(0.0, timeoutSeconds);
    for (;;) {
        if (done()) return true;
        runOnce();
        if (done()) return true;
        const double now = Clock::now();
        if (now >= deadline) return false;
        if (Clock::isVirtual()) {
            bool idle;
            std::optional<double> next;
            {
                std::lock_guard lock(mutex_);
                idle = !hasWorkLocked(now) && DispatchQueue::workInFlight() == 0;
                if (!timers_.empty()) next = timers_.begin()->first.due;
            }
            if (idle) {
                // Nothing can change until time moves: move it to the next timer or the deadline.
                Clock::setVirtualNow(std::max(now, next ? std::min(*next, deadline) : deadline));
                continue;
            }
            if (DispatchQueue::workInFlight() > 0) waitForWork(std::nullopt);
        } else {
            waitForWork(deadline);
        }
    }
}

uint64_t RunLoop::addObserver(Closure observer) {
    std::lock_guard lock(mutex_);
    uint64_t id = nextObserver_++;
    observers_.emplace_back(id, std::move(observer));
    return id;
}

void RunLoop::removeObserver(uint64_t identifier) {
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [&](const auto& o) { return o.first == identifier; });
}

void RunLoop::backgroundWorkChanged() {
    {
        std::lock_guard lock(mutex_);
        ++wakeups_;
    }
    wake_.notify_all();
}

void RunLoop::runUntilIdle() {
    for (;;) {
        if (runOnce()) continue;
        {
            std::lock_guard lock(mutex_);
            if (!hasWorkLocked(Clock::now()) && DispatchQueue::workInFlight() == 0) return;
        }
        // Background work is still running: wait for it to finish or to post something here.
        std::unique_lock lock(mutex_);
        const uint64_t seen = wakeups_;
        wake_.wait(lock, [&] {
            return wakeups_ != seen || hasWorkLocked(Clock::now()) || DispatchQueue::workInFlight() == 0;
        });
    }
}

void RunLoop::advance(double seconds) {
    const double target = Clock::now() + std::max(0.0, seconds);
    runUntilIdle();
    for (;;) {
        std::optional<double> next = nextTimerFireDate();
        if (!next || *next > target) break;
        if (*next > Clock::now()) Clock::setVirtualNow(*next);
        runUntilIdle();
    }
    if (target > Clock::now()) Clock::setVirtualNow(target);
    runUntilIdle();
}

void RunLoop::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        ++wakeups_;
    }
    wake_.notify_all();
}

bool RunLoop::isClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void RunLoop::reset() {
    std::deque<Closure> items;
    std::map<Key, std::shared_ptr<Timer>> timers;
    std::vector<std::pair<uint64_t, Closure>> observers;
    {
        std::lock_guard lock(mutex_);
        items.swap(items_);
        timers.swap(timers_);
        observers.swap(observers_);
        for (auto& [key, timer] : timers) timer->valid_ = false;
        stopRequests_ = 0;
        closed_ = false;
    }
}

size_t RunLoop::pendingTimerCount() const {
    std::lock_guard lock(mutex_);
    return timers_.size();
}

size_t RunLoop::pendingClosureCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

std::optional<double> RunLoop::nextTimerFireDate() const {
    std::lock_guard lock(mutex_);
    if (timers_.empty()) return std::nullopt;
    return timers_.begin()->first.due;
}

}  // namespace platform
