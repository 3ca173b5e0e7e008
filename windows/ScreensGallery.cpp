// The screens' scenes, in English. The wizard and the tutorial read the data manager; their scenes give
// it throwaway folders first, so that taking pictures never touches the user's own data.

#include "windows/ScreensGallery.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/store/DataManager.h"
#include "features/language/BundleLanguage.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "uikit/pagers/BasePagerViewController.h"
#include "windows/GallerySupport.h"
#include "windows/WindowArtwork.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/pagers/SamplePagerVC.h"
#include "windows/screens/KSViewControllerFactory.h"
#include "windows/tutorial/InitialTutorialController.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {

namespace {

using Factory = KSViewControllerFactory;

using gallery::pageScene;
using gallery::settleUntil;
using gallery::trackedPhone;
using gallery::windowScene;

void noop() {}

std::shared_ptr<InitalWizzardController> wizard() {
    platform::ui::SceneRegistry::useThrowawayHome();
    auto controller = KSWindowController::create<InitalWizzardController>();
    controller->window();
    return controller;
}

std::shared_ptr<InitialTutorialController> tutorial(bool tracking) {
    trackedPhone(tracking);
    auto controller = KSWindowController::create<InitialTutorialController>();
    controller->window();
    return controller;
}

void add(const std::string& name, ui::SceneRegistry::Builder builder) {
    ui::SceneRegistry::add("screens-" + name, std::move(builder));
}

void registerFactoryScenes() {
    const std::vector<std::pair<std::string, std::function<std::shared_ptr<BaseViewController>()>>> pages{
        {"accept", [] { return Factory::createAcceptViewControllerAccept_deny(noop, noop); }},
        {"manual-photos", [] { return Factory::manualPhotosVCWithCompletion(noop); }},
        {"restart-iphone-app",
         [] { return Factory::restartiPhoneApp_next("Kestrune does not connect", noop); }},
        {"check-for-ios-updates",
         [] { return Factory::checkForIOSUpdates_next("Kestrune does not connect", noop); }},
        {"update-ios-version",
         [] { return Factory::updateIOSVersion_next("Kestrune does not connect", noop); }},
        {"update-on-your-phone", [] { return Factory::updateKestruneOnYourPhoneDone(noop); }},
        {"make-sure-ble-on", [] { return Factory::makeSureBleOn_next("Kestrune does not connect", noop); }},
        {"bluetooth-on-iphone",
         [] { return Factory::bluetoothIsOnIphone_next("Kestrune does not connect", noop); }},
        {"ble-jammed", [] { return Factory::bleJammed_next("Kestrune does not connect", noop); }},
        {"download-and-open-rescan",
         [] {
             auto page = Factory::downloadAndOpenKestruneRescan_troubleshoot(noop, noop);
             page->setRightButtonLoading(true);
             return page;
         }},
        {"siri", [] { return Factory::siriTutorialVCAction(noop); }},
        {"touch-id", [] { return Factory::touchIdTutorialVCAction(noop); }},
        {"yes-no", [] { return Factory::showYesNoTutorialVCAction(noop); }},
        {"knock-knock", [] { return Factory::showKnockKnockTutorialVCAction(noop); }},
        {"rate", [] { return Factory::rateOnAppStore(noop); }},
        {"confirm-proximity-unlock", [] { return Factory::confirmProximityUnlockTutorial(noop); }},
        {"download-and-open",
         [] { return Factory::downloadAndOpenKestrune_next("Kestrune does not connect", noop); }},
        {"setup-siri", [] { return Factory::setupSiriTutorialVCAction(noop); }},
        {"auth-options", [] { return Factory::authOptionsVC(); }},
        {"check-for-mac-updates",
         [] { return Factory::checkForMacUpdates_check_next("Kestrune does not connect", noop, noop); }},
        {"update-mac-version", [] { return Factory::updateMacVersion_check_next("Updates", noop, nullptr); }},
        {"update-mac-version-in-pager",
         [] { return Factory::updateMacVersion_check_next("Kestrune does not connect", noop, noop); }},
        {"close-main-window", [] { return Factory::closeMainWindowTutorial(noop); }},
        {"notifications", [] { return Factory::macOSXNotiicationsVC(); }},
        {"restart-bluetooth",
         [] { return Factory::restartBluetooth_restart("Kestrune does not connect", noop); }},
        {"sleep-screen-overlay", [] { return Factory::macSleepScreenOverlayVC(); }},
        {"support-or-clear-cache",
         [] { return Factory::supportOrClearCache_faq_clearBLE("Kestrune does not connect", noop, noop); }},
        {"clear-cache", [] { return Factory::clearCacheAction(noop); }},
        {"cache-restart-mac", [] { return Factory::cacheRestartMac(); }},
        {"turn-bluetooth-off",
         [] {
             return Factory::turnBluetoothOff_action(
                 "Step 1 of 3: turn Bluetooth off before the cache is cleared.", noop);
         }},
        {"faq-or-email", [] { return Factory::faqOrEmailWithTitle("Kestrune does not connect"); }},
        {"info-with-icon",
         [] {
             return Factory::infoControllerWithIcon_description("logo_rectangle_2",
                                                                "Kestrune keeps your Mac safe.");
         }},
        {"open-space", [] { return Factory::openSpaceInfoVC(); }},
        {"proximity-lock-disabled-wifi", [] { return Factory::proximityLockDisabledBecauseWifiVC(); }},
        {"proximity-lock-disabled-login", [] { return Factory::proximityLockDisabledManualLoginVC(); }},
        {"distance-estimation", [] { return Factory::distanceEstimationVC(); }},
    };
    for (const auto& [name, make] : pages) add("factory-" + name, [make = make] { return pageScene(make()); });
    add("factory-sample-pager", [] {
        auto pager = Factory::basePager();
        auto scene = pageScene(pager);
        settleUntil([pager] { return !pager->isAnimating(); });
        return scene;
    });
}

void registerPagerScenes() {
    // A Bluetooth restart asked for on the repair page: the loading page has slid in and its animation
    // runs (held half-way for the picture).
    add("loading-restarting-bluetooth", [] {
        auto pager = BaseViewController::create<BasePagerViewController>();
        auto scene = pageScene(pager);
        pager->showViewController_animation(
            Factory::restartBluetooth_restart("Kestrune does not connect", noop),
            BasePagerViewController::kNone);
        settleUntil([pager] { return !pager->isAnimating(); });
        restartBluetoothWithCompletion(*pager, noop);
        settleUntil([pager] { return !pager->isAnimating(); });
        if (auto loading = std::dynamic_pointer_cast<LoadingViewController>(pager->currentViewController()))
            if (loading->animation()) loading->animation()->setAnimationProgress(0.45);
        return scene;
    });
}

void registerWizardScenes() {
    add("wizard-home", [] {
        auto controller = wizard();
        controller->startWizzardFromBeginningAnimated(false);
        return windowScene(controller);
    });
    add("wizard-accept", [] {
        auto controller = wizard();
        auto phone = MobileDevice::initWithUnId("snapshot-pairing-phone");
        phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
        controller->didReceiveRequestToPairWithMobileDevice(phone);
        controller->showPageAtIndex_animated(InitalWizzardController::kAcceptPage, false);
        return windowScene(controller);
    });
    add("wizard-configure", [] {
        auto controller = wizard();
        auto device = controller->configureViewController()->device();
        if (device && device->deviceInfo()) device->deviceInfo()->setDeviceName("Ada's MacBook Pro");
        auto user = DeviceUser::init();
        user->setUsername("ada");
        controller->configureViewController()->setDeviceUser(user);
        controller->showPageAtIndex_animated(InitalWizzardController::kConfigurePage, false);
        return windowScene(controller);
    });
    add("wizard-not-supported", [] {
        auto controller = wizard();
        controller->showBluetoothNotSupported();
        return windowScene(controller);
    });
}

void registerTutorialScenes() {
    add("tutorial-connect", [] {
        auto controller = tutorial(false);
        DataManager::shared().getTrackingMobileDevice()->mobileDeviceConnectionInfo()->setIsConnected(
            platform::Number(false));
        controller->showKestruneTutorial();
        return windowScene(controller);
    });
    add("tutorial-set-up", [] {
        auto controller = tutorial(false);
        controller->showKestruneTutorial();
        return windowScene(controller);
    });
    add("tutorial-walk-away", [] {
        auto controller = tutorial(true);
        controller->showKestruneTutorial();
        controller->updateTutorialStateForMobileDevice(DataManager::shared().getTrackingMobileDevice());
        // The values fade in after their fade out.
        auto page = controller->tutorialWalkAway();
        settleUntil([page] { return !page->currentDistanceValueLabel->stringValue().empty(); });
        return windowScene(controller);
    });
    add("tutorial-finished", [] {
        auto controller = tutorial(true);
        auto scene = windowScene(controller);
        controller->showPageAtIndex_animated(InitialTutorialController::kFinishedPage, false);
        auto finished = controller->tutorialFinished();
        finished->executeAnimationWithName_completion("confetti.json", nullptr);
        finished->animation()->setAnimationProgress(0.4);
        finished->showThumbsUpAnimated(false);
        return scene;
    });
    add("tutorial-done", [] {
        auto controller = tutorial(true);
        controller->showKestruneTutorial();
        controller->tutorialWalkAwayDidSelectFinishTutorial(*controller->tutorialWalkAway());
        return windowScene(controller);
    });
}

}  // namespace

void registerScreensGallery() {
    // The pictures are in English, whatever the machine's language, unless the command line names another.
    useGalleryLanguage();
    registerWindowArtwork();
    registerFactoryScenes();
    registerPagerScenes();
    registerWizardScenes();
    registerTutorialScenes();
}

}  // namespace kestrune
