#pragma once

#include <memory>
#include <string>

#include "app/support/EventTimestamp.h"
#include "engine/deciders/LoginConfirmer.h"
#include "platform/base/Number.h"

namespace kestrune {

class MobileDevice;
class RSSILoginLogoutDecider;

// What the decider tells its one listener, the coordinator, in the order it may say it.
class RSSILoginLogoutDeciderDelegate {
public:
    virtual ~RSSILoginLogoutDeciderDelegate() = default;
    // A crossing is being confirmed: read the phone's signal again promptly (well within 0.8 s).
    virtual void RSSILoginLogoutDecider_recheckRssiForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void RSSILoginLogoutDecider_didExitKestruneRadius(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void RSSILoginLogoutDecider_logoutForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void RSSILoginLogoutDecider_didEnterKestruneRadius(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void RSSILoginLogoutDecider_loginForMobileDevice(RSSILoginLogoutDecider& decider,
                                                             const std::shared_ptr<MobileDevice>& device) = 0;
    virtual void RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& device) = 0;
};

// Turns the tracked phone's smoothed readings into confirmed unlock and lock decisions. It decides only;
// the coordinator carries them out. Main thread only.
class RSSILoginLogoutDecider {
public:
    static constexpr double kCommandSpacingSeconds = 1.6;
    static constexpr double kSessionChangeSpacingSeconds = 2.0;
    static constexpr double kDisplaySpacingSeconds = 1.5;

    // The delegate owns the decider, so a plain pointer serves as the weak link.
    RSSILoginLogoutDeciderDelegate* delegate = nullptr;

    // The number is not read: the decision rests on the phone's stored smoothed value.
    void didUpdateRSSI_fromMobileDevice(const platform::Number& rssi,
                                        const std::shared_ptr<MobileDevice>& device);

    bool shouldAnalyzeRSSIUpdateForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void isInsideOfKestruneRadiusForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void isOutsideOfKestruneRadiusForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void isInTresholdAreaForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void didVerifyEnteringKestruneRadiusForDevice(const std::shared_ptr<MobileDevice>& device);
    void didVerifyExitingKestruneRadiusForDevice(const std::shared_ptr<MobileDevice>& device);
    void processForProximityInsideForDevice(const std::shared_ptr<MobileDevice>& device);
    void processForProximityOutsideForDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldProcessRSSIAfterEnteringKestruneRaduisForDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldProcessRSSIAfterLeavingKestruneRaduisForDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldTryToLoginForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldTryToLogoutForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldExecuteLoginCommandForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldExecuteLogoutCommandForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    bool shouldIgnoreLoginBecauseMinTimeInterval() const;
    void executeLoginCommandForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void executeLogoutCommandForMobileDevice(const std::shared_ptr<MobileDevice>& device);
    void notifyUserAboutRSSIUpdateIfNeededForMobileDevice(const std::shared_ptr<MobileDevice>& device);

    const EventTimestamp& loginLogoutTriggered() const { return loginLogoutTriggered_; }
    LoginConfirmer& loginConfirmer() { return loginConfirmer_; }
    LoginConfirmer& logoutConfirmer() { return logoutConfirmer_; }

private:
    EventTimestamp mobileNotifierEvent_;
    EventTimestamp loginLogoutTriggered_;
    LoginConfirmer loginConfirmer_;
    LoginConfirmer logoutConfirmer_;
    // The account running this process cannot change while it runs; asking the system for its name on
    // every reading cost more than everything else the decider does.
    std::string runningUserName_;
};

}  // namespace kestrune
