// Silent or visible confirmation requests, the pause after an unlock, the lock 8.0 s after a lost
// link, and the knock animation's delay.

#include <gtest/gtest.h>

#include "app/records/MobileDeviceConnectionInfo.h"
#include "engine/coordinator/ConfirmationRequestHandler.h"
#include "engine/deciders/LogoutOnDIsconnectManager.h"
#include "platform/base/Clock.h"
#include "tests/engine/ProximityFixture.h"

using namespace kestrune;
using platform::Number;

using ConfirmationTest = ProximityTest;

TEST_F(ConfirmationTest, ProximityRequestSilentWithin6sOrAfterARecentReconnectInState2) {
    ConfirmationRequestHandler handler;
    auto local = DataManager::shared().localSettingsForDevice(std::string("phone-1"));
    EXPECT_FALSE(handler.shouldSendSilentRSSIConfirmationReqeustForMobileDevice(phone));  // flag set at start
    handler.didSendRSSILoginRequest();
    advance(5.99);
    EXPECT_TRUE(handler.shouldSendSilentRSSIConfirmationReqeustForMobileDevice(phone));
    advance(0.02);
    handler.didExitProximityUnlockRadius();
    EXPECT_FALSE(handler.shouldSendSilentRSSIConfirmationReqeustForMobileDevice(phone));

    // Flag cleared by a request long ago: the reconnection and the phone's state decide.
    handler.didSendRSSILoginRequest();
    advance(7);
    local->deviceDidDisconnect();
    advance(30);
    struct Case {
        int appState;
        double extra;
        bool silent;
    };
    const Case cases[] = {{2, 0, true}, {0, 0, false}, {1, 0, false}, {2, 15.0, true}, {2, 0.01, false}};
    for (const auto& c : cases) {
        settings->iOSSettings()->setIOSapplicationState(Number(c.appState));
        advance(c.extra);
        EXPECT_EQ(handler.shouldSendSilentRSSIConfirmationReqeustForMobileDevice(phone), c.silent)
            << c.appState << " " << c.extra;
    }

    // Password-field requests: silent within 6.0 s of the last one, whatever happened in between.
    handler.didSendPasswordAppearedRequest();
    handler.didHidePasswordFieldOnScreen();
    advance(5.99);
    EXPECT_TRUE(handler.shouldSendSilenPasswordConfirmationForMobileDevice(phone));
    EXPECT_TRUE(handler.shouldSendSilentRSSIConfirmationReqeustForMobileDevice(phone));
    advance(0.02);
    EXPECT_FALSE(handler.shouldSendSilenPasswordConfirmationForMobileDevice(phone));
    handler.didSendPasswordAppearedRequest();
    handler.userDidLogout();
    EXPECT_FALSE(handler.shouldSendSilenPasswordConfirmationForMobileDevice(phone));
    EXPECT_TRUE(handler.sendRSSILoginRequestWhenEnteringRadius());
}

TEST_F(ConfirmationTest, PasswordFieldRequestAndPauseAfterUnlock) {
    ConfirmationRequestHandler handler;
    MacDisplayControl::shared().startTrackingDisplayChanges();
    session->lock();
    runUntilIdle();
    settings->OSXSettings()->setPasswordScreenAuthMethod(Number(1));
    EXPECT_FALSE(handler.shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(phone));  // not connected
    EXPECT_TRUE(handler.shouldTemporaryDisableKestruneAfterLoginForMobileDevice(phone));
    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    EXPECT_TRUE(handler.shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(phone));
    settings->OSXSettings()->setPasswordScreenAuthMethod(Number(0));
    EXPECT_FALSE(handler.shouldSendUnlockReqeustWhenPasswordAppearedForMobileDevice(phone));

    auto local = DataManager::shared().localSettingsForDevice(std::string("phone-1"));
    EXPECT_FALSE(handler.shouldTemporaryDisableKestruneAfterLoginForMobileDevice(phone));
    local->setKestruneConfirmedLocation(1);
    EXPECT_TRUE(handler.shouldTemporaryDisableKestruneAfterLoginForMobileDevice(phone));
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(false));
    EXPECT_FALSE(handler.shouldTemporaryDisableKestruneAfterLoginForMobileDevice(phone));
}

namespace {
struct Locks : LogoutOnDIsconnectManagerDelegate {
    std::vector<double> at;
    void logoutOnDisconnectManagerShouldLogout(LogoutOnDIsconnectManager&) override {
        at.push_back(platform::Clock::now());
    }
};
}  // namespace

TEST_F(ConfirmationTest, LockEightSecondsAfterTheLastDisconnectUnlessTheLinkReturns) {
    Locks locks;
    auto manager = std::make_shared<LogoutOnDIsconnectManager>();
    manager->delegate = &locks;
    const double start = platform::Clock::now();
    manager->startLogoutOnDisconnectProcess();
    advance(5);
    manager->startLogoutOnDisconnectProcess();
    advance(7.99);
    EXPECT_TRUE(locks.at.empty());
    advance(0.01);
    ASSERT_EQ(locks.at.size(), 1u);
    EXPECT_DOUBLE_EQ(locks.at[0] - start, 13.0);
    EXPECT_FALSE(manager->isPending());

    manager->startLogoutOnDisconnectProcess();
    advance(7.99);
    manager->cancelLogoutOnDisconnectProces();
    advance(20);
    EXPECT_EQ(locks.at.size(), 1u);
}

TEST_F(ConfirmationTest, KnockAnimationDelaysTheConfirmedUnlockBelow1013Only) {
    struct Case {
        const char* version;
        double knockAge;
        double delay;
    };
    const Case cases[] = {{"10.12.6", 0.2, 0.35},
                          {"10.12.6", 0.29, 0.35},
                          {"10.12.6", 0.31, 0},
                          {"10.12.6", 0.4, 0},
                          {"10.13", 0.2, 0}};
    for (const auto& c : cases) {
        setVersion(c.version);
        CustomAnimationHelper helper;
        helper.knockDetected();
        advance(c.knockAge);
        const double asked = platform::Clock::now();
        double ranAt = -1;
        helper.finishKnockAnimation([&] { ranAt = platform::Clock::now(); });
        runUntilIdle();
        if (c.delay > 0) {
            EXPECT_LT(ranAt, 0) << c.version;
            advance(c.delay);
        }
        EXPECT_NEAR(ranAt - asked, c.delay, 1e-6) << c.version << " " << c.knockAge;
    }
}
