#pragma once

#include <memory>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "windows/screens/InfoViewController.h"

namespace kestrune {

class LoadingViewController;
class SamplePagerVC;

// Builds every one-page information, troubleshooting and confirmation screen from the information
// page and its layouts. Texts are the localised texts of fixed keys, joined by fixed formats in which
// each text is spliced as it stands; what a button finally does is the caller's closure (a button whose
// closure is missing stays hidden). Each call answers a new page; the caller owns it.
class KSViewControllerFactory {
public:
    using Page = std::shared_ptr<InfoViewController>;

    static Page createAcceptViewControllerAccept_deny(Block accept, Block deny);
    static Page manualPhotosVCWithCompletion(Block completion);
    static Page restartiPhoneApp_next(const std::string& title, Block next);
    static Page checkForIOSUpdates_next(const std::string& title, Block next);
    static Page updateIOSVersion_next(const std::string& title, Block next);
    static Page updateKestruneOnYourPhoneDone(Block done);
    static Page makeSureBleOn_next(const std::string& title, Block next);
    static Page bluetoothIsOnIphone_next(const std::string& title, Block next);
    static Page bleJammed_next(const std::string& title, Block next);
    static Page downloadAndOpenKestruneRescan_troubleshoot(Block rescan, Block troubleshoot);
    static Page siriTutorialVCAction(Block action);
    static Page touchIdTutorialVCAction(Block action);
    static Page showYesNoTutorialVCAction(Block action);
    static Page showKnockKnockTutorialVCAction(Block action);
    static Page rateOnAppStore(Block action);
    static Page confirmProximityUnlockTutorial(Block action);
    static Page downloadAndOpenKestrune_next(const std::string& title, Block next);
    static std::shared_ptr<IphoneMultiStepViewController> setupSiriTutorialVCAction(Block action);
    static std::shared_ptr<LoadingViewController> loadingViewWithTitle(const std::string& text);
    static std::shared_ptr<MacPhoneDeviceViewController> authOptionsVC();
    static Page checkForMacUpdates_check_next(const std::string& title, Block check, Block next);
    // With a next closure two side buttons; without one only the main button, titled the same.
    static Page updateMacVersion_check_next(const std::string& title, Block check, Block next);
    static Page closeMainWindowTutorial(Block action);
    static Page macOSXNotiicationsVC();
    static Page restartBluetooth_restart(const std::string& title, Block restart);
    static Page macSleepScreenOverlayVC();
    static Page supportOrClearCache_faq_clearBLE(const std::string& title, Block faq, Block clear);
    static Page clearCacheAction(Block action);
    static Page cacheRestartMac();
    static Page turnBluetoothOff_action(const std::string& text, Block action);
    static Page faqOrEmailWithTitle(const std::string& title);
    static Page infoControllerWithIcon_description(const std::string& imageName, const std::string& text);
    static Page openSpaceInfoVC();
    static Page proximityLockDisabledBecauseWifiVC();
    static Page proximityLockDisabledManualLoginVC();
    static Page distanceEstimationVC();
    static std::shared_ptr<SamplePagerVC> basePager();
};

}  // namespace kestrune
