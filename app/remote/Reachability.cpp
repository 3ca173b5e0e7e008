#include "app/remote/Reachability.h"

#include <arpa/inet.h>

#include "app/shell/ThreadHelpers.h"
#include "platform/base/NotificationCenter.h"

namespace kestrune {

std::shared_ptr<Reachability> Reachability::make(platform::ReachabilityTarget target) {
    auto backend = platform::ReachabilityBackend::current();
    if (!backend || !backend->acceptsTarget(target)) return nullptr;
    auto reachability = std::shared_ptr<Reachability>(new Reachability(std::move(target)));
    reachability->backend_ = std::move(backend);
    return reachability;
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const std::string& hostname) {
    platform::ReachabilityTarget target;
    target.hostname = hostname;
    return make(target);
}

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(
    const platform::ReachabilityTarget& address) {
    return make(address);
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection() {
    platform::ReachabilityTarget target;
    target.family = AF_INET;
    return make(target);
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi() {
    platform::ReachabilityTarget target;
    target.family = AF_INET;
    target.address[0] = 169;
    target.address[1] = 254;
    return make(target);
}

Reachability::~Reachability() {
    // Only reached once nothing notifies any more (the notifier holds the object); the watch is gone.
    if (watch_ != 0) backend_->stopWatching(watch_);
}

bool Reachability::startNotifier() {
    std::lock_guard lock(mutex_);
    if (watch_ != 0) return true;
    selfWhileNotifying_ = std::static_pointer_cast<Reachability>(shared_from_this());
    queue_ = platform::DispatchQueue::createSerial("com.kestrune.reachability");
    std::weak_ptr<Reachability> weakSelf = selfWhileNotifying_;
    std::weak_ptr<platform::DispatchQueue> weakQueue = queue_;
    watch_ = backend_->startWatching([weakSelf, weakQueue] {
        if (auto queue = weakQueue.lock())
            queue->async([weakSelf] {
                if (auto self = weakSelf.lock()) self->reachabilityChanged();
            });
    });
    if (watch_ == 0) {
        queue_.reset();
        selfWhileNotifying_.reset();
        return false;
    }
    return true;
}

void Reachability::stopNotifier() {
    std::shared_ptr<Reachability> self;  // released after the lock, as it may be the last reference
    std::lock_guard lock(mutex_);
    if (watch_ != 0) backend_->stopWatching(watch_);
    watch_ = 0;
    queue_.reset();
    self.swap(selfWhileNotifying_);
}

void Reachability::reachabilityChanged() {
    if (isReachable()) {
        if (reachableBlock) reachableBlock(*this);
    } else if (unreachableBlock) {
        unreachableBlock(*this);
    }
    auto self = std::static_pointer_cast<Reachability>(shared_from_this());
    runOnMainQueueAsync([self] {
        platform::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification, self.get(), {},
                                                           platform::Value(self));
    });
}

std::optional<uint32_t> Reachability::currentFlags() const {
    return backend_->flagsForTarget(target_);
}

uint32_t Reachability::reachabilityFlags() const {
    return currentFlags().value_or(0);
}

bool Reachability::isReachableWithFlags(uint32_t flags) {
    using namespace platform;
    if (!(flags & kReachabilityReachable)) return false;
    const uint32_t transientAndRequired = kReachabilityTransientConnection | kReachabilityConnectionRequired;
    return (flags & transientAndRequired) != transientAndRequired;
}

bool Reachability::isReachable() const {
    auto flags = currentFlags();
    return flags && isReachableWithFlags(*flags);
}

int32_t Reachability::currentReachabilityStatus() const {
    auto flags = currentFlags();
    if (!flags || !isReachableWithFlags(*flags)) return NotReachable;
    return (*flags & platform::kReachabilityReachable) ? ReachableViaWiFi : NotReachable;
}

bool Reachability::isReachableViaWiFi() const {
    return currentReachabilityStatus() == ReachableViaWiFi;
}

bool Reachability::connectionRequired() const {
    return reachabilityFlags() & platform::kReachabilityConnectionRequired;
}

bool Reachability::isConnectionOnDemand() const {
    const uint32_t flags = reachabilityFlags();
    return (flags & platform::kReachabilityConnectionRequired) &&
           (flags & (platform::kReachabilityConnectionOnDemand | platform::kReachabilityConnectionOnTraffic));
}

bool Reachability::isInterventionRequired() const {
    const uint32_t flags = reachabilityFlags();
    return (flags & platform::kReachabilityConnectionRequired) &&
           (flags & platform::kReachabilityInterventionRequired);
}

}  // namespace kestrune
