#include "platform/base/NotificationCenter.h"

#include <algorithm>

namespace platform {

NotificationCenter::Observation::Observation(NotificationCenter* center, std::shared_ptr<Entry> entry)
    : center_(center), entry_(std::move(entry)) {}

NotificationCenter::Observation::Observation(Observation&& other) noexcept
    : center_(other.center_), entry_(std::move(other.entry_)) {
    other.center_ = nullptr;
}

NotificationCenter::Observation& NotificationCenter::Observation::operator=(Observation&& other) noexcept {
    if (this != &other) {
        remove();
        center_ = other.center_;
        entry_ = std::move(other.entry_);
        other.center_ = nullptr;
    }
    return *this;
}

void NotificationCenter::Observation::remove() {
    if (center_ && entry_) center_->removeEntry(entry_);
    entry_.reset();
    center_ = nullptr;
}

bool NotificationCenter::Observation::isActive() const {
    return entry_ && entry_->active.load();
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter;  // lives as long as the process
    return *center;
}

std::shared_ptr<NotificationCenter::Observation::Entry> NotificationCenter::add(const void* owner,
                                                                                std::string name,
                                                                                const void* sender,
                                                                                Handler handler) {
    auto entry = std::make_shared<Observation::Entry>();
    entry->owner = owner;
    entry->name = std::move(name);
    entry->sender = sender;
    entry->handler = std::move(handler);
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    return entry;
}

NotificationCenter::Observation NotificationCenter::addObserver(std::string name, const void* sender,
                                                                Handler handler) {
    return Observation(this, add(nullptr, std::move(name), sender, std::move(handler)));
}

void NotificationCenter::addObserver(const void* owner, std::string name, const void* sender,
                                     Handler handler) {
    add(owner, std::move(name), sender, std::move(handler));
}

void NotificationCenter::removeEntry(const std::shared_ptr<Observation::Entry>& entry) {
    entry->active = false;
    std::lock_guard lock(mutex_);
    std::erase(entries_, entry);
}

void NotificationCenter::removeObserver(const void* owner) {
    if (!owner) return;
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const auto& e) {
        if (e->owner != owner) return false;
        e->active = false;
        return true;
    });
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name) {
    if (!owner) return;
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const auto& e) {
        if (e->owner != owner || e->name != name) return false;
        e->active = false;
        return true;
    });
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Observation::Entry>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& e : entries_) {
            if ((e->name.empty() || e->name == notification.name) &&
                (!e->sender || e->sender == notification.sender)) {
                matching.push_back(e);
            }
        }
    }
    // An observer removed by an earlier handler of this same post is not called any more.
    for (const auto& e : matching) {
        if (e->active.load() && e->handler) e->handler(notification);
    }
}

void NotificationCenter::post(std::string name, const void* sender, Value userInfo, Value object) {
    post(Notification{std::move(name), sender, std::move(object), std::move(userInfo)});
}

void NotificationCenter::removeAllObservers() {
    std::lock_guard lock(mutex_);
    for (auto& e : entries_) e->active = false;
    entries_.clear();
}

size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace platform
