#include <cmath>
#include <thread>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "link/transport/ConnectionFilter.h"
#include "link/transport/LEScannerConnectionInterface.h"
#include "link/transport/RecoveryManager.h"
#include "link/transport/ScanIntervalController.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/NotificationCenter.h"
#include "tests/link/ScannerFixture.h"

using kestrune::ConnectionFilter;
using kestrune::DataManager;
using kestrune::RecoveryManager;
using kestrune::ScanIntervalController;
using kestrune::ScanningIndicator;
using platform::Number;

namespace {

// A phone connection as the filter sees it.
class FakeConnection : public kestrune::LEScannerConnectionInterface {
public:
    FakeConnection(std::string id, bool connected) : id_(std::move(id)), connected_(connected) {}
    void connect() override {}
    void disconnect(bool) override {}
    void forceTerminateConnection(bool) override {}
    void disconnectBecauseOfError() override {}
    std::string unId() const override { return id_; }
    std::optional<std::string> serviceId() const override { return std::nullopt; }
    std::string peripheralIdentifier() const override { return id_; }
    void sendString_onPrimaryChannel(const std::string&, bool) override {}
    void updateRSSI() override {}
    std::optional<Number> lastRSSI() const override { return std::nullopt; }
    bool isConnected() const override { return connected_; }
    bool isConnecting() const override { return false; }
    bool isInDisconectingProcess() const override { return false; }
    kestrune::EventTimestamp inDisconnectTimestampValue() const override { return {}; }
    void setKeepAliveInterval(int64_t) override {}
    std::shared_ptr<kestrune::LEScannerConnectionDelegate> delegate() const override { return nullptr; }
    void setDelegate(std::weak_ptr<kestrune::LEScannerConnectionDelegate>) override {}

private:
    std::string id_;
    bool connected_;
};

class SleepySession : public recordtests::FakeSessionServices {
public:
    bool sleeping = false;
    bool macIsSleeping() override { return sleeping; }
};

class IntervalDelegate : public kestrune::ScanIntervalControllerDelegate {
public:
    std::vector<double> scans;
    bool veryIntense = false;
    void scanIntervalControllerExecuteScan(ScanIntervalController&) override {
        scans.push_back(platform::Clock::now());
    }
    bool scanIntervalControllerShouldScanVeryIntensively(ScanIntervalController&) override {
        return veryIntense;
    }
};

class ScanControlTest : public recordtests::DataManagerFixture {
protected:
    void SetUp() override {
        DataManagerFixture::SetUp();
        sleepy = std::make_shared<SleepySession>();
        kestrune::MacSessionServices::install(sleepy);
        DataManager::shared();
    }

    // The tracked phone (pairing status 6), marked connected or not.
    void trackPhone(const std::string& unId, bool connected) {
        auto& manager = DataManager::shared();
        auto phone = kestrune::MobileDevice::initWithUnId(unId);
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        auto settings = kestrune::MobileSettings::initWithUnId(unId);
        settings->pairingInfo()->setConnectionStatus(Number(6));
        (*manager.model()->dictOfAllMobileDevice())[unId] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[unId] = settings;
    }
    void setPairing(bool pairing) {
        DataManager::shared().setPairingMobileDevice(pairing ? kestrune::MobileDevice::initWithUnId("new")
                                                             : nullptr);
    }
    size_t posts(const char* name, const std::function<void()>& action) {
        size_t n = 0;
        auto observation = platform::NotificationCenter::defaultCenter().addObserver(
            name, nullptr, [&](const auto&) { ++n; });
        action();
        return n;
    }

    std::shared_ptr<SleepySession> sleepy;
};

}  // namespace

// Scan intervals ------------------------------------------------------------------------------------------

TEST_F(ScanControlTest, IntervalDurationsAndNamesFollowTheVersion) {
    struct Case {
        const char* version;
        uint32_t interval;
        double seconds;
        const char* name;
    };
    const Case cases[] = {
        {"10.14.6", 1, 15.0, "ScanIntervalNormal"},     {"10.14.6", 2, 10.0, "ScanIntervalIntense"},
        {"10.14.6", 3, 1.1, "ScanIntervalVeryIntense"}, {"10.14.6", 0, 15.0, "ScanIntervalNormal"},
        {"10.14.6", 4, 15.0, "ScanIntervalNormal"},     {"10.9.5", 1, 6.5, "ScanIntervalNormal"},
        {"10.9.5", 2, 6.5, "ScanIntervalIntense"},      {"10.9.5", 3, 1.1, "ScanIntervalVeryIntense"},
    };
    for (const auto& c : cases) {
        platform::SystemVersion::setOverride(c.version);
        EXPECT_DOUBLE_EQ(ScanIntervalController::durationForScanInterval(c.interval), c.seconds)
            << c.version << " " << c.interval;
        EXPECT_EQ(ScanIntervalController::stringForScanInterval(c.interval), c.name);
    }
}

TEST_F(ScanControlTest, TheFirstScanComesFromTheTimerAndARepeatedIntervalChangesNothing) {
    ScanIntervalController controller;
    IntervalDelegate delegate;
    controller.setDelegate(&delegate);
    EXPECT_EQ(controller.currentlyActiveScanInterval(), ScanIntervalController::kScanIntervalNormal);
    auto timer = controller.scanTimer();
    double start = now();
    controller.updateScanInterval(ScanIntervalController::kScanIntervalNormal);
    EXPECT_EQ(controller.scanTimer(), timer);
    EXPECT_TRUE(delegate.scans.empty());
    advance(14.9);
    EXPECT_TRUE(delegate.scans.empty());
    advance(0.2);
    ASSERT_EQ(delegate.scans.size(), 1u);
    EXPECT_NEAR(delegate.scans[0] - start, 15.0, 1e-6);
    EXPECT_EQ(controller.scanTimer(), timer);
}

TEST_F(ScanControlTest, AnIntenseStartGoesToIntenseFirstEvenWhileThePhoneIsConnected) {
    ScanIntervalController controller;
    IntervalDelegate delegate;
    controller.setDelegate(&delegate);
    delegate.veryIntense = true;
    controller.startIntenseScanTimerWithDurationInSeconds(15);
    EXPECT_EQ(controller.currentlyActiveScanInterval(), ScanIntervalController::kScanIntervalIntense);
    controller.updateScanTimerIntervalIfNeeded();
    EXPECT_EQ(controller.currentlyActiveScanInterval(), ScanIntervalController::kScanIntervalVeryIntense);
    EXPECT_EQ(delegate.scans.size(), 2u);  // one at each change
    double start = now();
    advance(1.15);
    EXPECT_EQ(delegate.scans.size(), 3u);
    EXPECT_NEAR(delegate.scans.back() - start, 1.1, 1e-6);
}

TEST_F(ScanControlTest, TheIntensePeriodLastsItsSecondsInclusiveThenTicksFallBackToNormal) {
    ScanIntervalController controller;
    IntervalDelegate delegate;
    controller.setDelegate(&delegate);
    double start = now();
    controller.startIntenseScanTimerWithDurationInSeconds(15);
    advance(10.05);  // an intense tick: still intense
    EXPECT_EQ(controller.currentlyActiveScanInterval(), ScanIntervalController::kScanIntervalIntense);
    advance(14.99 - (now() - start));
    EXPECT_TRUE(controller.intenseScanIsActive());
    advance(0.02);
    EXPECT_FALSE(controller.intenseScanIsActive());
    advance(20.05 - (now() - start));  // the next tick scans, then the choice falls to normal and scans again
    EXPECT_EQ(controller.currentlyActiveScanInterval(), ScanIntervalController::kScanIntervalNormal);
    std::vector<double> offsets;
    for (double at : delegate.scans) offsets.push_back(std::round((at - start) * 100) / 100);
    EXPECT_EQ(offsets, (std::vector<double>{0, 10, 20, 20}));
}

// The connection filter -------------------------------------------------------------------------------------

TEST_F(ScanControlTest, SignalReadsAreSpacedByMoreThanTwoSecondsForTheConnectedTrackedPhoneOnly) {
    ConnectionFilter filter;
    auto connected = std::make_shared<FakeConnection>("phone", true);
    EXPECT_FALSE(filter.shouldUpdateRSSIForConnection(connected));  // no tracked phone
    trackPhone("phone", true);
    EXPECT_FALSE(filter.shouldUpdateRSSIForConnection(std::make_shared<FakeConnection>("phone", false)));
    EXPECT_FALSE(filter.shouldUpdateRSSIForConnection(nullptr));
    EXPECT_TRUE(filter.shouldUpdateRSSIForConnection(connected));
    filter.didUpdateRSSI();
    advance(1.9);
    EXPECT_FALSE(filter.shouldUpdateRSSIForConnection(connected));
    advance(0.2);
    EXPECT_TRUE(filter.shouldUpdateRSSIForConnection(connected));
}

TEST_F(ScanControlTest, ScanningPausesForSleepAClosedLidOrAPairingWithoutATrackedPhone) {
    struct Case {
        bool sleeping, lidDown, tracked, pairing, expected;
    };
    const Case cases[] = {
        {false, false, true, false, false}, {true, false, true, false, true},
        {false, true, true, false, true},   {false, false, false, true, true},
        {false, false, true, true, false},  {false, false, false, false, false},
    };
    for (const auto& c : cases) {
        DataManager::shared().model()->dictOfMobileDeviceSettings()->clear();
        if (c.tracked) trackPhone("phone", false);  // away: the lid still pauses
        setPairing(c.pairing);
        sleepy->sleeping = c.sleeping;
        sleepy->lidDown = c.lidDown;
        EXPECT_EQ(ConnectionFilter::shouldTemporaryStopScanningForCurrentTrackingConnection(nullptr),
                  c.expected)
            << c.sleeping << c.lidDown << c.tracked << c.pairing;
    }
}

TEST_F(ScanControlTest, TheScannersQuestionsAreAnsweredAlikeOnTheMainThreadAndFromPublishedFactsElsewhere) {
    struct Case {
        bool tracked, connected, pairing, ignoreAll, proceed;
    };
    const Case cases[] = {
        {false, false, false, false, true}, {true, false, false, false, true},
        {true, true, false, true, false},   {false, false, true, true, true},
        {true, true, true, true, false},
    };
    for (const auto& c : cases) {
        DataManager::shared().model()->dictOfMobileDeviceSettings()->clear();
        if (c.tracked) trackPhone("phone", c.connected);
        setPairing(c.pairing);
        ConnectionFilter::publishScannerAnswers();
        bool ignoreAll = ConnectionFilter::scannerShouldIgnoreAllDiscoveredConnections(nullptr);
        bool proceed = ConnectionFilter::scannerShouldProceedWithConnectingTo(nullptr);
        bool ignoreAllElsewhere = false, proceedElsewhere = false;
        std::thread bluetooth([&] {
            ignoreAllElsewhere = ConnectionFilter::scannerShouldIgnoreAllDiscoveredConnections(nullptr);
            proceedElsewhere = ConnectionFilter::scannerShouldProceedWithConnectingTo(nullptr);
        });
        bluetooth.join();
        EXPECT_EQ(ignoreAll, c.ignoreAll);
        EXPECT_EQ(proceed, c.proceed);
        EXPECT_EQ(ignoreAllElsewhere, c.ignoreAll);
        EXPECT_EQ(proceedElsewhere, c.proceed);
    }
}

TEST_F(ScanControlTest, TheTrackedPhoneAPhoneAskingToPairAndAnyPhoneInRecoveryAreAdmitted) {
    trackPhone("AbCd-1", false);
    struct Case {
        std::optional<std::string> id;
        bool admitted;
    };
    const Case cases[] = {{"abcd-1", true}, {"ABCD-1", true}, {"B4FE", true},       {"b4fa", true},
                          {"B4FB", false},  {"other", false}, {std::nullopt, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(ConnectionFilter::shouldConnectToDeviceWithId(c.id), c.admitted) << c.id.value_or("none");
        if (c.id) {
            EXPECT_EQ(
                ConnectionFilter::shouldConnectToConnection(std::make_shared<FakeConnection>(*c.id, false)),
                c.admitted);
        }
    }
    EXPECT_FALSE(ConnectionFilter::shouldConnectToMobileDevice(nullptr));
    RecoveryManager::shared().startRecoveryMode();
    EXPECT_TRUE(ConnectionFilter::shouldConnectToDeviceWithId("other"));
    EXPECT_TRUE(ConnectionFilter::shouldConnectToMobileDevice(kestrune::MobileDevice::initWithUnId("other")));
    EXPECT_FALSE(ConnectionFilter::connectionIsTrackingDeviceWithId("other"));
}

// The scanning indicator and recovery mode ---------------------------------------------------------------

TEST_F(ScanControlTest, TheIndicatorShowsOnlyAfterARestartAndForTwentySeconds) {
    auto& indicator = ScanningIndicator::shared();
    EXPECT_TRUE(indicator.timerIsActive());
    EXPECT_EQ(posts(ScanningIndicator::kDidUpdateScanningNotification, [&] { indicator.stopTimer(); }), 0u);
    EXPECT_FALSE(indicator.timerIsActive());
    EXPECT_EQ(posts(ScanningIndicator::kDidUpdateScanningNotification, [&] { indicator.startTimer(); }), 0u);
    EXPECT_FALSE(indicator.timerIsActive());

    EXPECT_EQ(posts(ScanningIndicator::kDidUpdateScanningNotification, [&] { indicator.restartTimer(); }),
              1u);
    EXPECT_TRUE(indicator.timerIsActive());
    EXPECT_EQ(posts(ScanningIndicator::kDidUpdateScanningNotification, [&] { indicator.startTimer(); }), 0u);
    EXPECT_EQ(posts(ScanningIndicator::kDidUpdateScanningNotification, [&] { advance(19.9); }), 0u);
    EXPECT_TRUE(indicator.timerIsActive());
    EXPECT_EQ(posts(ScanningIndicator::kDidUpdateScanningNotification, [&] { advance(0.2); }), 1u);
    EXPECT_FALSE(indicator.timerIsActive());
    EXPECT_FALSE(indicator.timerIsEnabled());
}

TEST_F(ScanControlTest, RecoveryPostsOnlyWhenTheSwitchChanges) {
    auto& recovery = RecoveryManager::shared();
    const char* name = RecoveryManager::kRecoveryUpdateNotification;
    EXPECT_EQ(posts(name, [&] { recovery.stopRecoveryMode(); }), 0u);
    EXPECT_EQ(posts(name,
                    [&] {
                        recovery.startRecoveryMode();
                        recovery.startRecoveryMode();
                    }),
              1u);
    EXPECT_TRUE(recovery.isInRecoveryMode());
    EXPECT_EQ(posts(name, [&] { recovery.stopRecoveryMode(); }), 1u);
    EXPECT_FALSE(recovery.isInRecoveryMode());
}
