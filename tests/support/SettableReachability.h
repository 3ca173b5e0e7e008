#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/system/NetworkReachability.h"

namespace testsupport {

// Reachability whose flags a test sets; setting them tells every watcher at once, on the test's thread,
// as the routing-table backend does from its own thread.
class SettableReachability : public platform::ReachabilityBackend {
public:
    // Installs a settable backend with the given flags and answers it.
    static std::shared_ptr<SettableReachability> install(uint32_t flags) {
        auto backend = std::make_shared<SettableReachability>();
        backend->flags_ = flags;
        platform::ReachabilityBackend::install(backend);
        return backend;
    }

    void setFlags(uint32_t flags) {
        std::map<uint64_t, std::function<void()>> watchers;
        {
            std::lock_guard lock(mutex_);
            flags_ = flags;
            watchers = watchers_;
        }
        for (auto& [id, watcher] : watchers) watcher();
    }
    void setUnreadable(bool unreadable) {
        std::lock_guard lock(mutex_);
        unreadable_ = unreadable;
    }
    size_t watcherCount() const {
        std::lock_guard lock(mutex_);
        return watchers_.size();
    }

    std::optional<uint32_t> flagsForTarget(const platform::ReachabilityTarget&) override {
        std::lock_guard lock(mutex_);
        if (unreadable_) return std::nullopt;
        return flags_;
    }
    uint64_t startWatching(std::function<void()> onChange) override {
        std::lock_guard lock(mutex_);
        watchers_[next_] = std::move(onChange);
        return next_++;
    }
    void stopWatching(uint64_t watch) override {
        std::lock_guard lock(mutex_);
        watchers_.erase(watch);
    }

private:
    mutable std::mutex mutex_;
    uint32_t flags_ = 0;
    bool unreadable_ = false;
    std::map<uint64_t, std::function<void()>> watchers_;
    uint64_t next_ = 1;
};

}  // namespace testsupport
