#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

struct Notification {
    std::string name;
    const void* sender = nullptr;  // identity of the posting object, for observers that filter on it
    Value object;                  // a value the poster passes along (the platform's notification object)
    Value userInfo;
};

// Named notifications within the process, delivered synchronously on the posting thread to every
// observer registered for that name (empty: every name) and sender (null: any sender).
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    // Removes its observer when destroyed, so an owner that keeps it stops observing when it goes away.
    class Observation {
    public:
        Observation() = default;
        Observation(Observation&& other) noexcept;
        Observation& operator=(Observation&& other) noexcept;
        ~Observation() { remove(); }
        void remove();
        bool isActive() const;

    private:
        friend class NotificationCenter;
        struct Entry;
        Observation(NotificationCenter* center, std::shared_ptr<Entry> entry);
        NotificationCenter* center_ = nullptr;
        std::shared_ptr<Entry> entry_;
    };

    static NotificationCenter& defaultCenter();

    [[nodiscard]] Observation addObserver(std::string name, const void* sender, Handler handler);
    // Registration tied to an owner identity instead of a handle: removeObserver(owner) ends it.
    void addObserver(const void* owner, std::string name, const void* sender, Handler handler);
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, const std::string& name);

    void post(const Notification& notification);
    void post(std::string name, const void* sender = nullptr, Value userInfo = {}, Value object = {});

    // Drops every observer (between tests).
    void removeAllObservers();
    size_t observerCount() const;

    NotificationCenter() = default;

private:
    std::shared_ptr<Observation::Entry> add(const void* owner, std::string name, const void* sender,
                                            Handler handler);
    void removeEntry(const std::shared_ptr<Observation::Entry>& entry);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Observation::Entry>> entries_;
};

struct NotificationCenter::Observation::Entry {
    const void* owner;
    std::string name;
    const void* sender;
    Handler handler;
    std::atomic<bool> active{true};
};

}  // namespace platform
