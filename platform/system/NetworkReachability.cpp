#include "platform/system/NetworkReachability.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"
#include "platform/base/ThreadSignalStack.h"

namespace platform {

namespace {

std::string readWholeFile(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr unsigned kRouteUp = 0x0001;
constexpr unsigned kRouteReject = 0x0200;

bool hexByte(const std::string& text, size_t at, uint8_t& byte) {
    if (at + 2 > text.size()) return false;
    unsigned value = 0;
    for (size_t i = at; i < at + 2; ++i) {
        const char c = text[i];
        value <<= 4;
        if (c >= '0' && c <= '9')
            value |= c - '0';
        else if (c >= 'a' && c <= 'f')
            value |= c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value |= c - 'A' + 10;
        else
            return false;
    }
    byte = static_cast<uint8_t>(value);
    return true;
}

// /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ...; addresses are
// hexadecimal in the host's byte order of a 32-bit word, which on Linux is the wire order read back.
bool ipv4Covered(const uint8_t address[4], bool defaultOnly, const std::string& table) {
    std::istringstream lines(table);
    std::string line;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flagsText, refs, use, metric, maskText;
        if (!(fields >> iface >> destination >> gateway >> flagsText >> refs >> use >> metric >> maskText))
            continue;
        unsigned long flags = strtoul(flagsText.c_str(), nullptr, 16);
        if (!(flags & kRouteUp) || (flags & kRouteReject) || iface == "lo") continue;
        uint32_t dest = static_cast<uint32_t>(strtoul(destination.c_str(), nullptr, 16));
        uint32_t mask = static_cast<uint32_t>(strtoul(maskText.c_str(), nullptr, 16));
        if (defaultOnly && mask != 0) continue;
        uint32_t target;
        memcpy(&target, address, 4);
        if ((target & mask) == (dest & mask)) return true;
    }
    return false;
}

// /proc/net/ipv6_route: destination (32 hex digits) prefix-length source source-length next-hop metric
// refs use flags device.
bool ipv6Covered(const uint8_t address[16], bool defaultOnly, const std::string& table) {
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string destination, prefixText, source, sourceLength, nextHop, metric, refs, use, flagsText,
            device;
        if (!(fields >> destination >> prefixText >> source >> sourceLength >> nextHop >> metric >> refs >>
              use >> flagsText >> device))
            continue;
        unsigned long flags = strtoul(flagsText.c_str(), nullptr, 16);
        unsigned prefix = static_cast<unsigned>(strtoul(prefixText.c_str(), nullptr, 16));
        if (!(flags & kRouteUp) || (flags & kRouteReject) || device == "lo" || prefix > 128) continue;
        if (defaultOnly && prefix != 0) continue;
        bool matches = true;
        for (unsigned bit = 0; bit < prefix && matches; bit += 8) {
            uint8_t byte = 0;
            if (!hexByte(destination, (bit / 8) * 2, byte)) {
                matches = false;
                break;
            }
            const unsigned bits = std::min(8u, prefix - bit);
            const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - bits));
            matches = (address[bit / 8] & mask) == (byte & mask);
        }
        if (matches) return true;
    }
    return false;
}

}  // namespace

bool ReachabilityBackend::acceptsTarget(const ReachabilityTarget& target) const {
    if (target.hostname) return !target.hostname->empty();
    return target.family == AF_INET || target.family == AF_INET6;
}

std::shared_ptr<ReachabilityBackend> ReachabilityBackend::current() {
    return platform::backendSlot<ReachabilityBackend>().getOr<RoutingTableReachabilityBackend>();
}

void ReachabilityBackend::install(std::shared_ptr<ReachabilityBackend> backend) {
    platform::backendSlot<ReachabilityBackend>().set(std::move(backend));
}

uint32_t RoutingTableReachabilityBackend::flagsFromRoutes(const ReachabilityTarget& target,
                                                          const std::string& ipv4Routes,
                                                          const std::string& ipv6Routes) {
    static const uint8_t kAny[16] = {};
    bool reachable;
    if (target.hostname) {
        reachable = ipv4Covered(kAny, true, ipv4Routes) || ipv6Covered(kAny, true, ipv6Routes);
    } else if (target.family == AF_INET) {
        // The unspecified address stands for "the internet": a default route is what reaches it.
        const bool any = memcmp(target.address, kAny, 4) == 0;
        reachable =
            ipv4Covered(target.address, any, ipv4Routes) || (any && ipv6Covered(kAny, true, ipv6Routes));
    } else {
        reachable = ipv6Covered(target.address, memcmp(target.address, kAny, 16) == 0, ipv6Routes);
    }
    return reachable ? static_cast<uint32_t>(kReachabilityReachable) : 0u;
}

std::optional<uint32_t> RoutingTableReachabilityBackend::flagsForTarget(const ReachabilityTarget& target) {
    if (!acceptsTarget(target)) return std::nullopt;
    std::string ipv4 = readWholeFile("/proc/net/route");
    if (ipv4.empty()) return std::nullopt;
    return flagsFromRoutes(target, ipv4, readWholeFile("/proc/net/ipv6_route"));
}

// One netlink socket and one thread for all watches; each announcement calls every watcher.
struct RoutingTableReachabilityBackend::Watcher {
    int socket = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    std::mutex mutex;
    std::map<uint64_t, std::function<void()>> callbacks;
    uint64_t nextId = 1;

    bool start() {
        socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (socket < 0) return false;
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups =
            RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE;
        if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            pipe2(wake, O_CLOEXEC) != 0) {
            logf("Reachability: cannot watch the routing table: %s", strerror(errno));
            return false;
        }
        thread = startThread([this] { run(); });
        return true;
    }
    void run() {
        char buffer[8192];
        for (;;) {
            pollfd fds[2] = {{socket, POLLIN, 0}, {wake[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (recv(socket, buffer, sizeof buffer, 0) <= 0) continue;
            std::vector<std::function<void()>> toCall;
            {
                std::lock_guard lock(mutex);
                for (auto& [id, callback] : callbacks) toCall.push_back(callback);
            }
            for (auto& callback : toCall) callback();
        }
    }
    ~Watcher() {
        if (thread.joinable()) {
            (void)!write(wake[1], "x", 1);
            thread.join();
        }
        for (int fd : {socket, wake[0], wake[1]})
            if (fd >= 0) close(fd);
    }
};

RoutingTableReachabilityBackend::RoutingTableReachabilityBackend() = default;
RoutingTableReachabilityBackend::~RoutingTableReachabilityBackend() = default;

uint64_t RoutingTableReachabilityBackend::startWatching(std::function<void()> onChange) {
    std::lock_guard setup(mutex_);
    if (!watcher_) {
        auto watcher = std::make_unique<Watcher>();
        if (!watcher->start()) return 0;
        watcher_ = std::move(watcher);
    }
    std::lock_guard lock(watcher_->mutex);
    const uint64_t id = watcher_->nextId++;
    watcher_->callbacks[id] = std::move(onChange);
    return id;
}

void RoutingTableReachabilityBackend::stopWatching(uint64_t watch) {
    std::lock_guard setup(mutex_);
    if (!watcher_) return;
    std::lock_guard lock(watcher_->mutex);
    watcher_->callbacks.erase(watch);
}

}  // namespace platform
