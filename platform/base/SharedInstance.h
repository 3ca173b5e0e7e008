#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

namespace platform {

// The one instance behind a class's `shared()`: made on first use, exactly once even when several
// threads ask at the same time, and kept for the life of the process (it is never destroyed at exit, so
// code that runs during static destruction, such as a detached worker, may still use it). Tests drop it
// with resetForTesting(); the next use makes a fresh one, as a new process would.
//
//     Settings& Settings::shared() {
//         static platform::SharedInstance<Settings> instance;
//         return instance.get([] { return new Settings; });
//     }
//
// `make` runs inside the class (so a private constructor is reachable) and under the instance's lock; it
// must not ask for the same instance. A class whose setting-up may lead back to its own `shared()` passes
// a second function: it runs once the instance is made, and a call from that same thread then answers the
// instance being set up while every other thread waits until setting-up has finished.
template <class T>
class SharedInstance {
public:
    SharedInstance() = default;
    SharedInstance(const SharedInstance&) = delete;
    SharedInstance& operator=(const SharedInstance&) = delete;

    // `make` answers a new T (a T* it hands over, or a std::shared_ptr<T>).
    template <class Make>
    T& get(Make&& make) {
        return get(std::forward<Make>(make), [](T&) {});
    }
    template <class Make, class SetUp>
    T& get(Make&& make, SetUp&& setUp) {
        if (T* existing = ready_.load(std::memory_order_acquire)) return *existing;
        return *getShared(std::forward<Make>(make), std::forward<SetUp>(setUp));
    }

    // The instance as a shared pointer, for classes that hand out strong or weak references to it.
    template <class Make>
    std::shared_ptr<T> getShared(Make&& make) {
        return getShared(std::forward<Make>(make), [](T&) {});
    }
    template <class Make, class SetUp>
    std::shared_ptr<T> getShared(Make&& make, SetUp&& setUp) {
        std::lock_guard lock(mutex_);
        if (!holder_) holder_ = new std::shared_ptr<T>();
        if (!*holder_) {
            *holder_ = std::shared_ptr<T>(make());
            setUp(**holder_);
            ready_.store(holder_->get(), std::memory_order_release);
        }
        return *holder_;
    }

    // Drops the instance. The old one goes once its last shared pointer does, outside the lock, so that
    // its destructor may use other shared instances (or make this one anew). Test use only: nobody may
    // still hold a plain reference to it.
    void resetForTesting() {
        std::shared_ptr<T> previous;
        std::lock_guard lock(mutex_);
        ready_.store(nullptr, std::memory_order_release);
        if (holder_) previous = std::move(*holder_);
    }

private:
    std::recursive_mutex mutex_;
    std::atomic<T*> ready_{nullptr};  // set once the instance is made and set up
    // Allocated once and never freed, so that no destructor runs for the instance at exit.
    std::shared_ptr<T>* holder_ = nullptr;
};

}  // namespace platform
