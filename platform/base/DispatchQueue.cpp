#include "platform/base/DispatchQueue.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/ThreadSignalStack.h"

namespace platform {

namespace {

std::atomic<int> gInFlight{0};
thread_local const DispatchQueue* tCurrentQueue = nullptr;

// Whether the queues still take work, and the signal that the last item in flight has finished. Counted
// and closed under one lock, so that no item can slip in between a count of zero and the closing.
struct WorkBook {
    std::mutex mutex;
    std::condition_variable idle;
    bool closed = false;
};

WorkBook& workBook() {
    static auto* book = new WorkBook;  // never destroyed: workers still finish items during teardown
    return *book;
}

// Answers false once the queues are closed: the item is not to run.
bool workStarted() {
    auto& book = workBook();
    std::lock_guard lock(book.mutex);
    if (book.closed) return false;
    gInFlight.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

void workFinished() {
    auto& book = workBook();
    {
        std::lock_guard lock(book.mutex);
        if (gInFlight.fetch_sub(1, std::memory_order_acq_rel) == 1) book.idle.notify_all();
    }
    RunLoop::main().backgroundWorkChanged();
}

// Worker threads, created when a job arrives and every worker is busy (work items may block waiting
// for one another, as they may on the system's queues), up to a generous limit.
class ThreadPool {
public:
    void submit(Closure job) {
        std::unique_lock lock(mutex_);
        jobs_.push_back(std::move(job));
        // Every job still unclaimed needs a waiting worker of its own; a worker that was woken but has
        // not taken its job yet still counts as waiting, so compare the two counts, not idle_ with 0.
        if (jobs_.size() > static_cast<size_t>(idle_) && threads_ < kMaxThreads) {
            ++threads_;
            workers_.push_back(startThread([this] { work(); }));
        } else {
            ready_.notify_one();
        }
    }

    // Once the queues are closed and idle, at quit: every worker ends and is waited for, so that what
    // it keeps for its thread (coding caches, OpenSSL's state) is destroyed before the process tears
    // down, rather than left to a thread that lives on through exit. Jobs queued later start new ones.
    void endWorkers() {
        std::vector<std::thread> ending;
        {
            std::lock_guard lock(mutex_);
            ending.swap(workers_);
            ending_ = true;
        }
        ready_.notify_all();
        for (auto& worker : ending) worker.join();
        std::lock_guard lock(mutex_);
        ending_ = false;
    }

private:
    static constexpr int kMaxThreads = 64;

    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            ready_.wait(lock, [&] { return !jobs_.empty() || ending_; });
            --idle_;
            if (jobs_.empty()) {
                --threads_;
                return;
            }
            Closure job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            job = nullptr;
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Closure> jobs_;
    std::vector<std::thread> workers_;
    int idle_ = 0;
    int threads_ = 0;
    bool ending_ = false;
};

ThreadPool& pool() {
    static auto* p = new ThreadPool;  // never destroyed: workers of work that outlasted the quit live on
    return *p;
}

// The workers of the queue for items that wait on the outside world; kept apart from the others' (above).
ThreadPool& waitingPool() {
    static auto* p = new ThreadPool;  // never destroyed, as the other
    return *p;
}

}  // namespace

DispatchQueue::DispatchQueue(std::string label, bool serial) : label_(std::move(label)), serial_(serial) {}

DispatchQueue& DispatchQueue::global() {
    static auto* queue = new DispatchQueue("global.default", false);
    return *queue;
}

DispatchQueue& DispatchQueue::waitingOnTheOutside() {
    static auto* queue = new DispatchQueue("global.waiting-on-the-outside", false);
    return *queue;
}

std::shared_ptr<DispatchQueue> DispatchQueue::createSerial(std::string label) {
    return std::make_shared<DispatchQueue>(std::move(label), true);
}

int DispatchQueue::workInFlight() {
    return gInFlight.load(std::memory_order_acquire);
}

bool DispatchQueue::finishAllWork(double timeoutSeconds) {
    auto& book = workBook();
    std::unique_lock lock(book.mutex);
    const bool finished =
        book.idle.wait_for(lock, std::chrono::duration<double>(std::max(0.0, timeoutSeconds)),
                           [] { return gInFlight.load(std::memory_order_acquire) == 0; });
    book.closed = true;
    lock.unlock();
    if (finished) {
        pool().endWorkers();
        waitingPool().endWorkers();
    }
    return finished;
}

void DispatchQueue::reopenForTesting() {
    auto& book = workBook();
    std::lock_guard lock(book.mutex);
    book.closed = false;
}

const DispatchQueue* DispatchQueue::current() {
    return tCurrentQueue;
}

bool DispatchQueue::isCurrent() const {
    // A serial queue's items may run a sync item of another queue inline; the innermost counts.
    return tCurrentQueue == this;
}

void DispatchQueue::runItem(Closure& closure) {
    const DispatchQueue* previous = tCurrentQueue;
    tCurrentQueue = this;
    if (closure) closure();
    closure = nullptr;
    tCurrentQueue = previous;
}

void DispatchQueue::async(Closure closure) {
    enqueue(std::move(closure));
}

bool DispatchQueue::enqueue(Closure closure) {
    if (!workStarted()) return false;
    if (!serial_) {
        (this == &waitingOnTheOutside() ? waitingPool() : pool())
            .submit([this, closure = std::move(closure)]() mutable {
                runItem(closure);
                workFinished();
            });
        return true;
    }
    bool startDrain = false;
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(closure));
        if (!draining_) draining_ = startDrain = true;
    }
    if (startDrain) {
        pool().submit([self = shared_from_this()] { self->drain(); });
    }
    return true;
}

void DispatchQueue::drain() {
    for (;;) {
        Closure closure;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) {
                draining_ = false;
                return;
            }
            closure = std::move(pending_.front());
            pending_.pop_front();
        }
        runItem(closure);
        workFinished();
    }
}

void DispatchQueue::sync(Closure closure) {
    if (serial_ && isCurrent()) {
        logf("DispatchQueue %s: sync called from its own work item; running inline", label_.c_str());
        closure();
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    const bool queued = enqueue([&] {
        closure();
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_all();
    });
    if (!queued) {
        // Closed at quit: no worker takes it any more, and the caller still needs it done.
        closure();
        return;
    }
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
}

void DispatchQueue::asyncAfter(double seconds, Closure closure) {
    std::shared_ptr<DispatchQueue> self = serial_ ? shared_from_this() : nullptr;
    auto timer = Timer::create(seconds, false, [this, self, closure = std::move(closure)](Timer&) mutable {
        async(std::move(closure));
    });
    RunLoop::main().addTimer(timer);
}

}  // namespace platform
