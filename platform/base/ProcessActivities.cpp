#include "platform/base/ProcessActivities.h"

namespace platform {

ProcessActivities& ProcessActivities::shared() {
    static ProcessActivities* instance = new ProcessActivities();  // lives as long as the process
    return *instance;
}

uint64_t ProcessActivities::beginActivity(uint64_t, const std::string& reason) {
    std::lock_guard lock(mutex_);
    const uint64_t token = nextToken_++;
    active_[token] = reason;
    ++begun_;
    return token;
}

bool ProcessActivities::endActivity(uint64_t token) {
    std::lock_guard lock(mutex_);
    return active_.erase(token) == 1;
}

void ProcessActivities::disableSuddenTermination() {
    std::lock_guard lock(mutex_);
    ++suddenDisabled_;
}

void ProcessActivities::enableSuddenTermination() {
    std::lock_guard lock(mutex_);
    --suddenDisabled_;
}

void ProcessActivities::disableAutomaticTermination(const std::string&) {
    std::lock_guard lock(mutex_);
    ++automaticDisabled_;
}

void ProcessActivities::enableAutomaticTermination(const std::string&) {
    std::lock_guard lock(mutex_);
    --automaticDisabled_;
}

size_t ProcessActivities::activeActivityCount() const {
    std::lock_guard lock(mutex_);
    return active_.size();
}

uint64_t ProcessActivities::begunActivityCount() const {
    std::lock_guard lock(mutex_);
    return begun_;
}

int ProcessActivities::suddenTerminationDisableCount() const {
    std::lock_guard lock(mutex_);
    return suddenDisabled_;
}

int ProcessActivities::automaticTerminationDisableCount() const {
    std::lock_guard lock(mutex_);
    return automaticDisabled_;
}

void ProcessActivities::reset() {
    std::lock_guard lock(mutex_);
    active_.clear();
    begun_ = 0;
    suddenDisabled_ = 0;
    automaticDisabled_ = 0;
}

}  // namespace platform
