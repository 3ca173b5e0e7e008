#pragma once

#include <atomic>
#include <memory>

#include "app/remote/Reachability.h"
#include "platform/base/NotificationCenter.h"

namespace kestrune {

class InternetNotifier;

class InternetNotifierDelegate {
public:
    virtual ~InternetNotifierDelegate() = default;
    virtual void internetNotifier_hasAccesToInternet(InternetNotifier& notifier, bool hasInet) = 0;
};

// Whether the Mac can reach the internet, told to its delegate on every reachability change (on the
// main thread) and once when set up (on the caller's thread).
class InternetNotifier {
public:
    InternetNotifier() = default;
    ~InternetNotifier();
    InternetNotifier(const InternetNotifier&) = delete;
    InternetNotifier& operator=(const InternetNotifier&) = delete;

    void setUpRechability();
    void handleNetworkChange(const platform::Notification* notification);

    bool hasInet() const { return hasInet_; }
    const std::shared_ptr<Reachability>& reachability() const { return reachability_; }

    std::weak_ptr<InternetNotifierDelegate> delegate;

private:
    std::shared_ptr<Reachability> reachability_;
    std::atomic<bool> hasInet_{false};
    platform::NotificationCenter::Observation observation_;
};

}  // namespace kestrune
