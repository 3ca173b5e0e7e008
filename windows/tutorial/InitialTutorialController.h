#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/records/MobileDevice.h"
#include "engine/coordinator/WizzardViewControllerDelegate.h"
#include "uikit/pagers/KSPageViewControllerExtended.h"
#include "uikit/pagers/PageControl.h"
#include "windows/tutorial/FinishViewController.h"
#include "windows/tutorial/FinishViewControllerDelegate.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhone.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhoneDelegate.h"
#include "windows/tutorial/TutorialFinished.h"
#include "windows/tutorial/TutorialSetUpKestrune.h"
#include "windows/tutorial/TutorialSetUpKestruneDelegate.h"
#include "windows/tutorial/TutorialWalkAway.h"
#include "windows/tutorial/TutorialWalkAwayDelegate.h"

namespace kestrune {

// Walks a user with a paired phone through locking by walking away and unlocking by coming back. States:
// 1 the phone is not connected (connect page), 2 connected with proximity tracking off (set-up page),
// 3 tracking on, waiting for the walk away (walk-away page), 4 locked by walking away, waiting for the
// return, 5 unlocked by coming back (the celebration). Events count only while the tutorial is active.
class InitialTutorialController : public KSPageViewControllerExtended,
                                  public TutorialSetUpKestruneDelegate,
                                  public TutorialWalkAwayDelegate,
                                  public MacSleepScreenConnectToiPhoneDelegate,
                                  public FinishViewControllerDelegate {
public:
    enum State : int32_t { kNotConnected = 1, kSetUp = 2, kWalkAway = 3, kLocked = 4, kUnlocked = 5 };
    enum PageIndex : int64_t {
        kConnectPage = 0,
        kSetUpPage = 1,
        kWalkAwayPage = 2,
        kFinishedPage = 3,
        kLastPage = 4
    };

    // Four dots for five pages: the celebration and the last page are both the end of the walk, reached by
    // coming back or by leaving early, so they share the last dot.
    static constexpr int32_t kNumberOfDots = 4;
    static int32_t dotIndexForPage(int64_t page);

    std::optional<std::string> nibName() const override;
    void windowDidLoad() override;
    // The dots follow the page shown.
    void didFinishShowingPageAtIndex(int64_t index) override;
    std::string titleDescriptionText() const override;
    void showKestruneTutorial();
    void showTutorialAfterPairing();
    void showTutorialIfNeeded() { showTutorialAfterPairing(); }
    void showTutorialForReason(int32_t reason);
    void setTutorialState(int32_t state) { setTutorialState_animated(state, true); }
    void setTutorialState_animated(int32_t state, bool animated);
    void updateTutorialStateAfterConnectionUpdate();
    void updateTutorialStateAfterUpdatingTrackingInfo();
    void updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void updateStateForTutorialForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void userDidLogoutWithKestruneRSSI();
    void userDidLoginWithKestruneRSSI();
    void didupdateBluetoothState();
    void tutorialSelectOpenMainMenu(TutorialSetUpKestrune& page) override;
    void tutorialWalkAwayDidSelectFinishTutorial(TutorialWalkAway& page) override;
    void macSleepScreenConnectToiPhone_didSelectOption(MacSleepScreenConnectToiPhone& page,
                                                       int32_t option) override;
    void finishViewController_didSelectOption(FinishViewController& page, int32_t option) override;
    void showWeAreDoneScreen();
    void showFinishShareScreen();
    void endAndCleanupTutorial() { tutorialIsActive_ = false; }
    void windowClosed() { tutorialIsActive_ = false; }
    static bool didShowTutorialAtLeastOnce();

    bool tutorialIsActive() const { return tutorialIsActive_; }
    int32_t tutorialState() const { return tutorialState_; }
    void setDelegate(std::weak_ptr<WizzardViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    const std::shared_ptr<MacSleepScreenConnectToiPhone>& connectController() const {
        return connectController_;
    }
    const std::shared_ptr<TutorialSetUpKestrune>& tutorialSetup() const { return tutorialSetup_; }
    const std::shared_ptr<TutorialWalkAway>& tutorialWalkAway() const { return tutorialWalkAway_; }
    const std::shared_ptr<TutorialFinished>& tutorialFinished() const { return tutorialFinished_; }
    const std::shared_ptr<FinishViewController>& finishViewController() const {
        return finishViewController_;
    }

    std::shared_ptr<PageControl> pageControl;

private:
    void initializePages();
    void selectOption(int32_t option);
    // Whether the tracked phone is connected and whether it is tracked.
    static bool isConnected(const std::shared_ptr<MobileDevice>& phone);
    static bool isTracking(const std::shared_ptr<MobileDevice>& phone);

    bool tutorialIsActive_ = false;
    int32_t tutorialState_ = 0;
    std::weak_ptr<WizzardViewControllerDelegate> delegate_;
    std::shared_ptr<MacSleepScreenConnectToiPhone> connectController_;
    std::shared_ptr<TutorialSetUpKestrune> tutorialSetup_;
    std::shared_ptr<TutorialWalkAway> tutorialWalkAway_;
    std::shared_ptr<TutorialFinished> tutorialFinished_;
    std::shared_ptr<FinishViewController> finishViewController_;
};

}  // namespace kestrune
