#include "app/remote/Reachability.h"

#include <arpa/inet.h>

#include "app/remote/InternetNotifier.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "tests/support/SettableReachability.h"
#include "tests/support/TestEnvironment.h"

namespace {

using kestrune::InternetNotifier;
using kestrune::Reachability;
using platform::RoutingTableReachabilityBackend;

class ReachabilityTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        backend = testsupport::SettableReachability::install(0);
    }
    void TearDown() override {
        platform::ReachabilityBackend::install(nullptr);
        KestruneTest::TearDown();
    }
    std::shared_ptr<testsupport::SettableReachability> backend;
};

TEST_F(ReachabilityTest, TheFlagsArithmetic) {
    struct Case {
        uint32_t flags;
        bool reachable;
        int32_t status;
        bool required, onDemand, intervention;
    };
    const Case cases[] = {
        {0, false, 0, false, false, false},           {2, true, 2, false, false, false},
        {1 | 2, true, 2, false, false, false},        {2 | 4, true, 2, true, false, false},
        {1 | 2 | 4, false, 0, true, false, false},  // transient and connection required: not reachable
        {4 | 8, false, 0, true, true, false},         {4 | 32, false, 0, true, true, false},
        {32 | 8 | 16, false, 0, false, false, false},  // on demand and intervention need flag 4
        {2 | 4 | 16, true, 2, true, false, true},
    };
    auto reachability = Reachability::reachabilityForInternetConnection();
    ASSERT_TRUE(reachability);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        backend->setFlags(c.flags);
        EXPECT_EQ(reachability->isReachable(), c.reachable);
        EXPECT_EQ(reachability->currentReachabilityStatus(), c.status);
        EXPECT_EQ(reachability->isReachableViaWiFi(), c.status == 2);
        EXPECT_FALSE(reachability->isReachableViaWWAN());
        EXPECT_EQ(reachability->connectionRequired(), c.required);
        EXPECT_EQ(reachability->isConnectionOnDemand(), c.onDemand);
        EXPECT_EQ(reachability->isInterventionRequired(), c.intervention);
    }
    backend->setFlags(2);
    backend->setUnreadable(true);
    EXPECT_FALSE(reachability->isReachable());
    EXPECT_EQ(reachability->reachabilityFlags(), 0u);
}

TEST_F(ReachabilityTest, RefusedTargetsGiveNoObject) {
    EXPECT_FALSE(Reachability::reachabilityWithHostname(""));
    EXPECT_FALSE(Reachability::reachabilityWithAddress(platform::ReachabilityTarget{}));
    EXPECT_TRUE(Reachability::reachabilityWithHostname("backend.example"));
    EXPECT_TRUE(Reachability::reachabilityForLocalWiFi());
}

TEST_F(ReachabilityTest, ChangesRunTheBlocksThenPostOnTheMainThreadWhileNotifying) {
    auto reachability = Reachability::reachabilityForInternetConnection();
    const Reachability* identity = reachability.get();
    std::vector<std::string> events;
    std::mutex mutex;
    reachability->reachableBlock = [&](Reachability&) {
        std::lock_guard l(mutex);
        events.push_back("reachable");
    };
    reachability->unreachableBlock = [&](Reachability&) {
        std::lock_guard l(mutex);
        events.push_back("unreachable");
    };
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        Reachability::kReachabilityChangedNotification, nullptr, [&](const platform::Notification& n) {
            std::lock_guard l(mutex);
            events.push_back(platform::isMainThread() && n.object.objectAs<Reachability>().get() == identity
                                 ? "posted"
                                 : "wrong");
        });
    ASSERT_TRUE(reachability->startNotifier());
    std::weak_ptr<Reachability> weak = reachability;
    reachability.reset();  // the notifier keeps it
    ASSERT_TRUE(weak.lock());
    backend->setFlags(2);
    runUntilIdle();
    backend->setFlags(0);
    runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::string>{"reachable", "posted", "unreachable", "posted"}));

    weak.lock()->stopNotifier();
    EXPECT_FALSE(weak.lock()) << "stopping lets the object go";
    EXPECT_EQ(backend->watcherCount(), 0u);
}

class InternetRecorder : public kestrune::InternetNotifierDelegate {
public:
    void internetNotifier_hasAccesToInternet(InternetNotifier&, bool hasInet) override {
        answers.push_back(hasInet);
    }
    std::vector<bool> answers;
};

TEST_F(ReachabilityTest, TheInternetNotifierTellsEveryChangeAndOnceAtSetUp) {
    auto recorder = std::make_shared<InternetRecorder>();
    {
        InternetNotifier notifier;
        notifier.delegate = recorder;
        notifier.setUpRechability();
        EXPECT_EQ(recorder->answers, std::vector<bool>{false});
        backend->setFlags(2);
        runUntilIdle();
        EXPECT_TRUE(notifier.hasInet());
        backend->setFlags(2 | 8);  // no change of the answer: told anyway
        runUntilIdle();
        EXPECT_EQ(recorder->answers, (std::vector<bool>{false, true, true}));
    }
    EXPECT_EQ(backend->watcherCount(), 0u) << "the notifier stops watching when it goes";
    backend->setFlags(0);
    runUntilIdle();
    EXPECT_EQ(recorder->answers.size(), 3u);
}

TEST(RoutingTableReachabilityTest, ReachableWhileAnUpRouteCoversTheTarget) {
    const std::string heading =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const std::string defaultRoute = "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
    const std::string downDefault = "eth0\t00000000\t0100A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n";
    const std::string localNet =
        "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";  // 192.168.0/24
    const std::string linkLocal = "eth0\t0000FEA9\t00000000\t0001\t0\t0\t1000\t0000FFFF\t0\t0\t0\n";
    const std::string ipv6Default =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fe800000000000000000000000000001 "
        "00000400 00000001 00000000 00000003 eth0\n";
    platform::ReachabilityTarget internet;
    internet.family = AF_INET;
    platform::ReachabilityTarget wifi = internet;
    wifi.address[0] = 169;
    wifi.address[1] = 254;
    platform::ReachabilityTarget host;
    host.hostname = "backend.example";
    struct Case {
        const char* name;
        std::string ipv4, ipv6;
        uint32_t internet, wifi, host;
    };
    const Case cases[] = {
        {"default route", heading + defaultRoute, "", 2, 2, 2},
        {"default route down", heading + downDefault, "", 0, 0, 0},
        {"only the local network", heading + localNet, "", 0, 0, 0},
        {"link-local network", heading + linkLocal, "", 0, 2, 0},
        {"IPv6 default route only", heading, ipv6Default, 2, 0, 2},
        {"nothing", heading, "", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RoutingTableReachabilityBackend::flagsFromRoutes(internet, c.ipv4, c.ipv6), c.internet);
        EXPECT_EQ(RoutingTableReachabilityBackend::flagsFromRoutes(wifi, c.ipv4, c.ipv6), c.wifi);
        EXPECT_EQ(RoutingTableReachabilityBackend::flagsFromRoutes(host, c.ipv4, c.ipv6), c.host);
    }
}

TEST(RoutingTableReachabilityTest, WatchesTheKernelsAnnouncements) {
    RoutingTableReachabilityBackend backend;
    const uint64_t watch = backend.startWatching([] {});
    EXPECT_NE(watch, 0u) << "a netlink route socket could not be opened";
    backend.stopWatching(watch);
    platform::ReachabilityTarget internet;
    internet.family = AF_INET;
    EXPECT_TRUE(backend.flagsForTarget(internet));
}

}  // namespace
