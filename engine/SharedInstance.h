#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace kestrune {

// The one instance of a process-wide service: made on first use, thread-safely, and kept. Tests drop it
// between cases so that the next use makes a fresh one.
template <typename T>
class SharedInstance {
public:
    T& get() { return *pointer(); }
    // Answers through created whether this call made the instance, so that the caller can finish
    // setting it up (posting, observing) outside the lock, where observers may ask for it again.
    std::shared_ptr<T> pointer(bool* created = nullptr) {
        std::lock_guard lock(mutex_);
        if (created) *created = !instance_;
        if (!instance_) instance_ = T::make();
        return instance_;
    }
    // Answers the dropped instance, so that the caller can stop it outside the lock.
    std::shared_ptr<T> reset() {
        std::lock_guard lock(mutex_);
        return std::exchange(instance_, nullptr);
    }

private:
    std::mutex mutex_;
    std::shared_ptr<T> instance_;
};

}  // namespace kestrune
