#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Object.h"
#include "platform/system/NetworkReachability.h"

namespace kestrune {

// The network reachability of one target, read from the platform's reachability backend, and changes
// of it announced as "kReachabilityChangedNotification" (the Reachability as object) on the main thread.
class Reachability : public platform::Object {
public:
    static constexpr const char* kReachabilityChangedNotification = "kReachabilityChangedNotification";
    // Status values: 0 not reachable, 1 over a mobile network (never reported here), 2 over Wi-Fi.
    enum Status : int32_t { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

    using Block = std::function<void(Reachability&)>;

    // None when the platform refuses the target.
    static std::shared_ptr<Reachability> reachabilityWithHostname(const std::string& hostname);
    static std::shared_ptr<Reachability> reachabilityWithAddress(const platform::ReachabilityTarget& address);
    // The IPv4 address 0.0.0.0: whether the internet can be reached at all.
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    // The IPv4 link-local network 169.254.0.0.
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();

    ~Reachability() override;
    std::string className() const override { return "Reachability"; }

    // Keeps the object alive while notifying; false (and nothing left registered) when watching could
    // not start.
    bool startNotifier();
    void stopNotifier();

    bool isReachable() const;
    int32_t currentReachabilityStatus() const;
    bool isReachableViaWiFi() const;
    bool isReachableViaWWAN() const { return false; }
    bool connectionRequired() const;
    bool isConnectionRequired() const { return connectionRequired(); }
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    // The current flags; 0 when the platform cannot give them.
    uint32_t reachabilityFlags() const;

    // The reachable rule over given flags: flag 2 set, and not both 1 and 4.
    static bool isReachableWithFlags(uint32_t flags);

    Block reachableBlock;
    Block unreachableBlock;
    bool reachableOnWWAN = true;

private:
    explicit Reachability(platform::ReachabilityTarget target) : target_(std::move(target)) {}
    static std::shared_ptr<Reachability> make(platform::ReachabilityTarget target);
    std::optional<uint32_t> currentFlags() const;
    void reachabilityChanged();

    platform::ReachabilityTarget target_;
    std::shared_ptr<platform::ReachabilityBackend> backend_;
    std::mutex mutex_;
    uint64_t watch_ = 0;                                // guarded by mutex_
    std::shared_ptr<platform::DispatchQueue> queue_;    // guarded by mutex_
    std::shared_ptr<Reachability> selfWhileNotifying_;  // guarded by mutex_
};

}  // namespace kestrune
