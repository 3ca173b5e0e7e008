#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/coordinator/MacSleepScreenViewControllerDelegate.h"
#include "platform/base/NotificationCenter.h"
#include "uikit/pagers/KSPageViewControllerExtended.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhone.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhoneDelegate.h"
#include "windows/tutorial/TutorialFinished.h"
#include "windows/wakeunlock/MacSleepScreenFirstViewController.h"
#include "windows/wakeunlock/MacSleepScreenFirstViewControllerDelegate.h"
#include "windows/wakeunlock/MacSleepScreenTurnKestruneOff.h"
#include "windows/wakeunlock/MacSleepScreenTurnKestruneOffDelegate.h"
#include "windows/wakeunlock/MacSleepScreenTutorialStepViewController.h"
#include "windows/wakeunlock/MacSleepScreenTutorialStepViewControllerDelegate.h"

namespace kestrune {

// The wake-unlock tutorial: five pages, one per step. 0 the introduction; 1 connect the phone; 2 switch
// off proximity unlock and trusted Wi-Fi unlock; 3 choose the confirmation and put the Mac to sleep;
// 4 the celebration after the first unlock confirmed on the phone. Once the user leaves the
// introduction, the phone's connection and the two blocking features move the tutorial among steps 1
// to 3; the celebration is left only by starting again.
class MacSleepScreenViewController : public KSPageViewControllerExtended,
                                     public MacSleepScreenFirstViewControllerDelegate,
                                     public MacSleepScreenTutorialStepViewControllerDelegate,
                                     public MacSleepScreenTurnKestruneOffDelegate,
                                     public MacSleepScreenConnectToiPhoneDelegate {
public:
    enum Step : int32_t { kIntroduction = 0, kConnect = 1, kTurnOff = 2, kTryIt = 3, kFinished = 4 };
    static constexpr int64_t kNumberOfPages = 5;

    void windowDidLoad() override;
    std::string titleDescriptionText() const override;
    // Back to the introduction; the coordinator calls it before each showing.
    void start();
    void setTutorialStep(int32_t step) { setTutorialStep_animated(step, true); }
    // Any step outside 0 to 4 is kept and shows nothing.
    void setTutorialStep_animated(int32_t step, bool animated);
    void forceUpdateTutorialStepForCurrentState();
    // The step follows the state only between the introduction and the celebration; the pages'
    // contents are refreshed on every step.
    void updateTutorialStepForCurrentStepIfNeeded();
    bool shouldUpdateTutorialStepForSettingsChanges() const;
    void updateAllSteps();
    void safeWifiUpdate();
    // An unlock confirmed on the phone: the celebration, when the tutorial was under way and nothing
    // else could have unlocked the Mac.
    void didUnlockMacWithUserConfirmation();
    // A tracked phone whose proximity tracking is off, and trusted Wi-Fi unlock off.
    static bool allRequirementsFulfulledToStartTutorial();

    void macSleepScreenFirstViewControllerDidSelectShowTutorial(
        MacSleepScreenFirstViewController& page) override;
    void macSleepScreenTutorialStepViewController_didSelectOption(
        MacSleepScreenTutorialStepViewController& page, int32_t option) override;
    void macSleepScreenTurnKestruneOff_didSelectOption(MacSleepScreenTurnKestruneOff& page,
                                                       int32_t option) override;
    void macSleepScreenConnectToiPhone_didSelectOption(MacSleepScreenConnectToiPhone& page,
                                                       int32_t option) override;

    int32_t tutorialStep() const { return tutorialStep_; }
    void setDelegate(std::weak_ptr<MacSleepScreenViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<MacSleepScreenViewControllerDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<MacSleepScreenFirstViewController>& firstViewController() const {
        return firstViewController_;
    }
    const std::shared_ptr<MacSleepScreenConnectToiPhone>& connectToiPhoneViewController() const {
        return connectToiPhoneViewController_;
    }
    const std::shared_ptr<MacSleepScreenTurnKestruneOff>& turnKestruneOffViewController() const {
        return turnKestruneOffViewController_;
    }
    const std::shared_ptr<MacSleepScreenTutorialStepViewController>& tutorialViewController() const {
        return tutorialViewController_;
    }
    const std::shared_ptr<TutorialFinished>& tutorialFinishedViewController() const {
        return tutorialFinishedViewController_;
    }

private:
    void initializePages();
    void selectOption(int32_t option);

    int32_t tutorialStep_ = kIntroduction;
    std::weak_ptr<MacSleepScreenViewControllerDelegate> delegate_;
    std::shared_ptr<MacSleepScreenFirstViewController> firstViewController_;
    std::shared_ptr<MacSleepScreenConnectToiPhone> connectToiPhoneViewController_;
    std::shared_ptr<MacSleepScreenTurnKestruneOff> turnKestruneOffViewController_;
    std::shared_ptr<MacSleepScreenTutorialStepViewController> tutorialViewController_;
    std::shared_ptr<TutorialFinished> tutorialFinishedViewController_;
    platform::NotificationCenter::Observation safeWifiObservation_;
};

}  // namespace kestrune
