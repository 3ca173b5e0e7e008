// The screens' scenes, in English. The wizard and the tutorial read the data manager; their scenes give
// it throwaway folders first, so that taking pictures never touches the user's own data.

#include "windows/ScreensGallery.h"

#include <stdlib.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/language/BundleLanguage.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "uikit/pagers/BasePagerViewController.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/pagers/SamplePagerVC.h"
#include "windows/screens/KSViewControllerFactory.h"
#include "windows/tutorial/InitialTutorialController.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {

namespace {

using Factory = KSViewControllerFactory;

// What the scenes' windows show must outlive the builders.
std::vector<std::shared_ptr<void>>& kept() {
    static std::vector<std::shared_ptr<void>> objects;
    return objects;
}

std::shared_ptr<ui::Window> pageWindow(const std::string& title) {
    auto window = ui::Window::create({120, 80, 850, 530}, ui::kWindowStyleTitled | ui::kWindowStyleClosable);
    window->setTitle(title);
    return window;
}

ui::Scene pageScene(const std::shared_ptr<BaseViewController>& page) {
    auto window = pageWindow(page->titleDescriptionText().value_or(""));
    auto view = page->view();
    view->setFrame(window->contentView()->bounds());
    window->contentView()->addSubview(view);
    window->orderFront(nullptr);
    kept().push_back(page);
    return {window, nullptr};
}

void noop() {}

// Runs the main loop until the condition holds (a pager's slide, a page's fade), 1.5 s at most.
void settleUntil(const std::function<bool()>& done) {
    platform::RunLoop::main().runUntil(done, 1.5);
}

void useThrowawayDataFolders() {
    static bool done = false;
    if (done) return;
    done = true;
    static char pattern[] = "/tmp/kestrune-snapshot-XXXXXX";
    if (!mkdtemp(pattern)) return;
    const std::string base = pattern;
    for (const char* variable :
         {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        setenv(variable, (base + "/" + variable).c_str(), 1);
    // Gone with the process that took the pictures.
    atexit([] { platform::Files::remove(pattern); });
}

// The tracked phone of the tutorial's scenes: connected, with proximity tracking as asked.
std::shared_ptr<MobileDevice> trackedPhone(bool tracking) {
    useThrowawayDataFolders();
    auto& manager = DataManager::shared();
    manager.getSavedDataModel();
    const std::string id = "snapshot-phone";
    auto phone = MobileDevice::initWithUnId(id);
    phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
    phone->mobileDeviceInfo()->setDeviceType("iPhone 12");
    phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(true));
    auto settings = MobileSettings::initWithUnId(id);
    settings->pairingInfo()->setConnectionStatus(platform::Number(6));
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(tracking));
    // Distances as signal magnitudes: the phone 2 m away, the lock at 4 m (in metres).
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
    settings->setDistanceFromDevice(platform::Number(58));
    if (!settings->iOSSettings()) settings->setIOSSettings(iOSPreferences::init());
    settings->iOSSettings()->setChosenMetric(platform::Number(1));
    PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    (*manager.model()->dictOfAllMobileDevice())[id] = phone;
    (*manager.model()->dictOfMobileDeviceSettings())[id] = settings;
    return phone;
}

ui::Scene windowScene(const std::shared_ptr<KSWindowController>& controller) {
    kept().push_back(controller);
    auto window = controller->window();
    window->orderFront(nullptr);
    return {window, nullptr};
}

std::shared_ptr<InitalWizzardController> wizard() {
    useThrowawayDataFolders();
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
    for (const auto& [name, make] : pages) add("factory-" + name, [make] { return pageScene(make()); });
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
    // The pictures are in English, whatever the machine's language.
    setLocalizableLanguage(std::string("en"));
    registerFactoryScenes();
    registerPagerScenes();
    registerWizardScenes();
    registerTutorialScenes();
}

}  // namespace kestrune
