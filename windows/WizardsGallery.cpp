// The wizards' scenes, in English, on throwaway data folders. Nothing here reads the Wi-Fi or the system
// settings of the machine taking the pictures: the scenes give the wizards their state themselves.

#include "windows/WizardsGallery.h"

#include <stdlib.h>

#include <string>
#include <utility>

#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/SafeWifiEntry.h"
#include "app/store/DataManager.h"
#include "features/language/BundleLanguage.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/ui/SceneRegistry.h"
#include "windows/GallerySupport.h"
#include "windows/WindowArtwork.h"
#include "windows/help/ClearCacheController.h"
#include "windows/help/HelpTutorialController.h"
#include "windows/help/InitialConnectionTroubleShoot.h"
#include "windows/info/FailedLoginPhotosView.h"
#include "windows/info/MacControlPhotosTutorialView.h"
#include "windows/info/MacControllerTrackTutorialView.h"
#include "windows/info/ManualSnapshotsTutorialView.h"
#include "windows/preferences/AccessibilityUpdateVM.h"
#include "windows/preferences/ScreensaverUpdateVM.h"
#include "windows/preferences/SystemPreferencesViewController.h"
#include "windows/wakeunlock/MacSleepScreenViewController.h"
#include "windows/wifi/SafeWifiWizzard.h"

namespace kestrune {

namespace {

using gallery::pageScene;
using gallery::settleUntil;
using gallery::trackedPhone;
using gallery::windowScene;

void addWizardScene(const std::string& name, ui::SceneRegistry::Builder builder) {
    ui::SceneRegistry::add("wizards-" + name, std::move(builder));
}

// The sample notification names a computer of the scenes, not the one taking the pictures.
void useComputerName() {
    setenv("KESTRUNE_COMPUTER_NAME", "Ada's MacBook Pro", 1);
}

// Trusted Wi-Fi unlock on (a trusted network and the switch on) or off (no trusted network).
void trustedWifi(bool on) {
    auto& manager = SafeWifiManager::shared();
    manager.safeWifiEntries().clear();
    if (!on) return;
    auto home = SafeWifiEntry::init();
    home->setSsidName("Home");
    manager.addSafeWifiEntry(home);
    manager.setSafeWifiTurnedOn(true);
}

// The wake-unlock tutorial at a step, with a tracked phone and the two blocking features as given.
ui::Scene wakeUnlock(int32_t step, bool blocked) {
    useComputerName();
    trackedPhone(blocked);
    trustedWifi(blocked);
    auto tutorial = KSWindowController::create<MacSleepScreenViewController>();
    tutorial->window();
    tutorial->updateAllSteps();
    tutorial->setTutorialStep_animated(step, false);
    return windowScene(tutorial);
}

void registerWakeUnlockScenes() {
    addWizardScene("wake-unlock-introduction",
                   [] { return wakeUnlock(MacSleepScreenViewController::kIntroduction, false); });
    addWizardScene("wake-unlock-connect", [] {
        auto phone = trackedPhone(false);
        trustedWifi(false);
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(false));
        auto tutorial = KSWindowController::create<MacSleepScreenViewController>();
        tutorial->window();
        tutorial->setTutorialStep_animated(MacSleepScreenViewController::kConnect, false);
        return windowScene(tutorial);
    });
    addWizardScene("wake-unlock-turn-off",
                   [] { return wakeUnlock(MacSleepScreenViewController::kTurnOff, true); });
    addWizardScene("wake-unlock-try-it",
                   [] { return wakeUnlock(MacSleepScreenViewController::kTryIt, false); });
    addWizardScene("wake-unlock-finished", [] {
        trackedPhone(false);
        trustedWifi(false);
        auto tutorial = KSWindowController::create<MacSleepScreenViewController>();
        tutorial->window();
        // On screen first: appearing hides the thumbs-up until the celebration shows it.
        auto scene = windowScene(tutorial);
        tutorial->showPageAtIndex_animated(MacSleepScreenViewController::kFinished, false);
        auto finished = tutorial->tutorialFinishedViewController();
        finished->executeAnimationWithName_completion("confetti.json", nullptr);
        finished->animation()->setAnimationProgress(0.4);
        finished->showThumbsUpAnimated(false);
        return scene;
    });
}

// A preference wizard on its check page (as the coordinator shows it) or on another page.
ui::Scene preferences(std::shared_ptr<SystemPreferencesUpdateViewModel> model, int64_t page) {
    platform::ui::SceneRegistry::useThrowawayHome();
    auto wizard = SystemPreferencesViewController::initWithVM(std::move(model));
    wizard->window();
    wizard->showPageAtIndex_animated(page, false);
    return windowScene(wizard);
}

void registerPreferenceScenes() {
    addWizardScene("security", [] {
        return preferences(std::make_shared<ScreensaverUpdateVM>(),
                           SystemPreferencesViewController::kSecurityPage);
    });
    addWizardScene("accessibility", [] {
        return preferences(std::make_shared<AccessibilityUpdateVM>(),
                           SystemPreferencesViewController::kSecurityPage);
    });
    addWizardScene("accessibility-introduction", [] {
        return preferences(std::make_shared<AccessibilityUpdateVM>(),
                           SystemPreferencesViewController::kIntroPage);
    });
    addWizardScene("accessibility-done", [] {
        return preferences(std::make_shared<AccessibilityUpdateVM>(),
                           SystemPreferencesViewController::kDonePage);
    });
}

// A pager once its page has faded in.
ui::Scene pagerScene(const std::shared_ptr<BasePagerViewController>& pager) {
    auto scene = pageScene(pager);
    settleUntil([pager] { return !pager->isAnimating(); });
    return scene;
}

void registerHelpScenes() {
    addWizardScene("help", [] {
        platform::ui::SceneRegistry::useThrowawayHome();
        return pagerScene(BaseViewController::create<HelpTutorialController>());
    });
    addWizardScene("help-clear-cache-or-faq", [] {
        platform::ui::SceneRegistry::useThrowawayHome();
        auto pager = BaseViewController::create<HelpTutorialController>();
        pager->showViewController_animation(pager->fifthVC(), BasePagerViewController::kNone);
        return pagerScene(pager);
    });
    addWizardScene("first-connection", [] {
        platform::ui::SceneRegistry::useThrowawayHome();
        return pagerScene(BaseViewController::create<InitialConnectionTroubleShoot>());
    });
    // The clear-cache wizard at each of its steps, whatever this machine's Bluetooth says.
    const std::pair<const char*, float> steps[] = {
        {"clear-cache-turn-off", ClearCacheController::kTurnOffIndex},
        {"clear-cache-delete", ClearCacheController::kDeleteIndex},
        {"clear-cache-restart", ClearCacheController::kRestartIndex}};
    for (const auto& [name, index] : steps) {
        addWizardScene(name, [index = index] {
            auto wizard = BaseViewController::create<ClearCacheController>();
            auto page = index == ClearCacheController::kTurnOffIndex  ? wizard->turnBluetoothOff()
                        : index == ClearCacheController::kDeleteIndex ? wizard->deleteCacheFile()
                                                                      : wizard->restartMac();
            wizard->showViewController_withAnimationIndex_animated(page, index, false);
            return pagerScene(wizard);
        });
    }
}

void registerInformationScenes() {
    addWizardScene("info-failed-login-photos",
                   [] { return pageScene(BaseViewController::create<FailedLoginPhotosView>()); });
    addWizardScene("info-manual-snapshots",
                   [] { return pageScene(BaseViewController::create<ManualSnapshotsTutorialView>()); });
    addWizardScene("info-history",
                   [] { return pageScene(BaseViewController::create<MacControllerTrackTutorialView>()); });
    addWizardScene("info-overview",
                   [] { return pageScene(BaseViewController::create<MacControlPhotosTutorialView>()); });
}

std::shared_ptr<SafeWifiEntry> network(const std::string& name) {
    auto entry = SafeWifiEntry::init();
    entry->setSsidName(name);
    return entry;
}

// The Wi-Fi wizard with a tracked phone or none, the trusted networks given, joined to the network given.
std::shared_ptr<SafeWifiWizzard> wifiWizard(bool phone, std::initializer_list<const char*> trusted) {
    platform::ui::SceneRegistry::useThrowawayHome();
    auto tracked = trackedPhone(false);
    // No phone: the one of the other scenes is unlinked.
    if (!phone)
        DataManager::shared()
            .settingsForDeviceId(tracked->unId())
            ->pairingInfo()
            ->setConnectionStatus(platform::Number(1));
    auto& manager = SafeWifiManager::shared();
    manager.safeWifiEntries().clear();
    for (const char* name : trusted) manager.addSafeWifiEntry(network(name));
    auto wizard = KSWindowController::create<SafeWifiWizzard>();
    wizard->window();
    return wizard;
}

ui::Scene addPage(const char* joined, std::initializer_list<const char*> trusted) {
    auto wizard = wifiWizard(true, trusted);
    wizard->addNewWifiNetwork();
    wizard->context()->currentEntry = joined ? network(joined) : nullptr;
    wizard->updateViewModelForWizzardPage(*wizard->addController());
    wizard->showPageAtIndex_animated(SafeWifiWizzard::kAddPage, false);
    return windowScene(wizard);
}

void registerWifiScenes() {
    addWizardScene("wifi-welcome", [] { return windowScene(wifiWizard(false, {})); });
    addWizardScene("wifi-list", [] {
        auto wizard = wifiWizard(true, {"Home", "Office"});
        auto scene = windowScene(wizard);
        wizard->editController()->reloadView();
        return scene;
    });
    addWizardScene("wifi-add", [] { return addPage("Home", {}); });
    addWizardScene("wifi-already-added", [] { return addPage("Home", {"Home"}); });
    addWizardScene("wifi-not-joined", [] { return addPage(nullptr, {}); });
    addWizardScene("wifi-finish", [] {
        auto wizard = wifiWizard(true, {"Home"});
        wizard->showPageAtIndex_animated(SafeWifiWizzard::kFinishPage, false);
        return windowScene(wizard);
    });
}

}  // namespace

void registerWizardsGallery() {
    // The pictures are in English, whatever the machine's language, unless the command line names another.
    useGalleryLanguage();
    registerWindowArtwork();
    registerWakeUnlockScenes();
    registerPreferenceScenes();
    registerHelpScenes();
    registerInformationScenes();
    registerWifiScenes();
}

}  // namespace kestrune
