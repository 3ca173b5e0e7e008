#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

// Reachability flags, with the platform's values.
enum ReachabilityFlag : uint32_t {
    kReachabilityTransientConnection = 1,
    kReachabilityReachable = 2,
    kReachabilityConnectionRequired = 4,
    kReachabilityConnectionOnTraffic = 8,
    kReachabilityInterventionRequired = 16,
    kReachabilityConnectionOnDemand = 32,
};

// What reachability is asked about: a host name, or an address (IPv4 or IPv6, network byte order as
// text-free bytes).
struct ReachabilityTarget {
    std::optional<std::string> hostname;
    int family = 0;            // AF_INET or AF_INET6 for an address
    uint8_t address[16] = {};  // the first 4 bytes for IPv4
};

// Where reachability answers come from. The real one on Linux reads the routing table and watches it
// over netlink; tests install a settable one. Changes are reported on a thread of the backend's own.
class ReachabilityBackend {
public:
    virtual ~ReachabilityBackend() = default;

    // False when the target is refused (an empty host name, an unknown address family).
    virtual bool acceptsTarget(const ReachabilityTarget& target) const;
    // The flags for the target now; none when they cannot be read.
    virtual std::optional<uint32_t> flagsForTarget(const ReachabilityTarget& target) = 0;
    // Calls the closure on every change of the routes or links until stopped; answers a watch
    // identifier, or 0 when watching could not start.
    virtual uint64_t startWatching(std::function<void()> onChange) = 0;
    virtual void stopWatching(uint64_t watch) = 0;

    // The backend in use: the routing-table one unless a test installed another.
    static std::shared_ptr<ReachabilityBackend> current();
    // Installs the backend (null restores the routing-table one).
    static void install(std::shared_ptr<ReachabilityBackend> backend);
};

// The Linux backend: an address is reachable (flag 2) while an up route covers it, a host name while a
// default route exists (nothing is resolved, as the platform's check did not send anything either).
// Watching listens to the kernel's route, address and link announcements on a netlink socket.
class RoutingTableReachabilityBackend : public ReachabilityBackend {
public:
    RoutingTableReachabilityBackend();
    ~RoutingTableReachabilityBackend() override;

    std::optional<uint32_t> flagsForTarget(const ReachabilityTarget& target) override;
    uint64_t startWatching(std::function<void()> onChange) override;
    void stopWatching(uint64_t watch) override;

    // The rules over given routing tables (the texts of /proc/net/route and /proc/net/ipv6_route), for
    // tests.
    static uint32_t flagsFromRoutes(const ReachabilityTarget& target, const std::string& ipv4Routes,
                                    const std::string& ipv6Routes);

private:
    struct Watcher;
    std::mutex mutex_;
    std::unique_ptr<Watcher> watcher_;  // guarded by mutex_
};

}  // namespace platform
