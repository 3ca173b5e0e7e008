#include "menubar/pages/UpdatesMenuManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Common.h"
#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/pages/PhoneFacts.h"

namespace kestrune {

namespace {

using F = ListViewModelFactory;

enum MacState : int32_t {
    kUpToDate = 0,
    kCheck = 1,
    kGetNewVersion = 2,
    kChecking = 3,
    kDownloadingWillRelaunch = 4,
    kDownloadingRelaunchWhenFinished = 5,
    kRelaunchReady = 6,
    kCheckAgain = 7,
};

enum PhoneState : int32_t { kNoPhone = 0, kNotConnected = 1, kPhoneUpToDate = 2, kPhoneUpdateReady = 3 };

}  // namespace

int32_t UpdatesMenuManager::currentMacUpdateState() {
    auto& updater = KestruneUpdater::shared();
    const int32_t state = updater.updaterState();
    if (!UpdateController::shared().newMacVersion() && state == KestruneUpdater::kStateNoUpdate)
        return kUpToDate;
    switch (state) {
        case KestruneUpdater::kStateIdle:
        case KestruneUpdater::kStateInstallOnQuitCancelled:
            return kCheck;
        case KestruneUpdater::kStateFoundByUser:
            return kGetNewVersion;
        case KestruneUpdater::kStateChecking:
            return kChecking;
        case KestruneUpdater::kStateFoundInBackground:
            return updater.installAfterDownload() || updater.shouldAutomaticallyCheckForUpdates()
                       ? kDownloadingWillRelaunch
                       : kDownloadingRelaunchWhenFinished;
        case KestruneUpdater::kStateReadyToInstallOnQuit:
            return kRelaunchReady;
        default:
            return kCheckAgain;
    }
}

int32_t UpdatesMenuManager::currentiOSUpdateState() {
    auto facts = PhoneFacts::current();
    if (!facts) return kNoPhone;
    if (!facts.connected) return kNotConnected;
    return UpdateController::shared().newiOSVersion() ? kPhoneUpdateReady : kPhoneUpToDate;
}

BaseMenuItemManager::Rows UpdatesMenuManager::createViewModel() {
    const int32_t macState = currentMacUpdateState();
    const int32_t phoneState = currentiOSUpdateState();
    return {
        F::titleDescriptionCellWithTitle_description_action(localizable("mac_app_title"),
                                                            localizable("mac_app_description"), nullptr),
        F::separatorCell(),
        F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
            "cell_icon_check_for_update_mac", Common::versionText(),
            stringForMacAppUpdateStateForState(macState), stringForMacAppUpdateActionStateForState(macState),
            weakly<UpdatesMenuManager>(
                [macState](UpdatesMenuManager& self) { self.updateMacVersionToggledForState(macState); })),
        F::customCheckBoxWithIcon_title_description_isOn_action(
            "cell_icon_automatic_check", localizable("automatically_update"),
            localizable("automatically_update_description"),
            DeviceLocalSettings::shared().automaticallyUpdate(),
            navigate(&NavigationDelegate::toggleUpdateKestruneAutomatically, true)),
        F::titleDescriptionCellWithTitle_description_action(localizable("iphone_app"),
                                                            localizable("iphone_app_description"), nullptr),
        F::separatorCell(),
        F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
            "cell_icon_iphone", stringForiOSAppUpdateState(phoneState),
            localizable("iphone_version_description"), actionTextForiOSAppUpdateState(phoneState),
            weakly<UpdatesMenuManager>(
                [phoneState](UpdatesMenuManager& self) { self.didToggleActionForState(phoneState); })),
    };
}

std::string UpdatesMenuManager::stringForMacAppUpdateStateForState(int32_t state) {
    switch (state) {
        case kUpToDate:
            return localizable("kestrune_up_to_date");
        case kGetNewVersion:
            return localizable("get_new_version");
        case kChecking:
            return localizable("checking_for_updates");
        case kDownloadingWillRelaunch:
            return localizable("downloading_will_relaunch");
        case kDownloadingRelaunchWhenFinished:
            return localizable("downloading_relaunch_when_finished");
        case kRelaunchReady:
            return localizable("relaunch_new_version_ready");
        default:
            return localizable("check");
    }
}

std::optional<std::string> UpdatesMenuManager::stringForMacAppUpdateActionStateForState(int32_t state) {
    switch (state) {
        case kCheck:
        case kCheckAgain:
            return localizable("check_action");
        case kGetNewVersion:
            return localizable("get_new_version_action");
        case kDownloadingRelaunchWhenFinished:
            return localizable("downloading_relaunch_when_finished_action");
        case kRelaunchReady:
            return localizable("relaunch_new_version_ready_action");
        default:
            return std::nullopt;
    }
}

void UpdatesMenuManager::updateMacVersionToggledForState(int32_t state) {
    auto& updater = KestruneUpdater::shared();
    switch (state) {
        case kCheck:
        case kGetNewVersion:
        case kCheckAgain:
            updater.checkForUpdates(nullptr);
            break;
        case kDownloadingRelaunchWhenFinished:
            if (!updater.installAfterDownload()) updater.setInstallAfterDownload(true);
            break;
        case kRelaunchReady:
            updater.relaunchIfPossible();
            break;
        default:
            break;
    }
    reloadData();
}

std::string UpdatesMenuManager::stringForiOSAppUpdateState(int32_t state) {
    switch (state) {
        case kNoPhone:
            return localizable("no_ios_device_connected");
        case kNotConnected:
            return stringWithTextArgument(localizable("device_not_connected"),
                                          PhoneFacts::current().deviceName());
        case kPhoneUpToDate:
            return localizable("ios_version_up_to_date");
        default:
            return localizable("new_ios_update_ready");
    }
}

std::optional<std::string> UpdatesMenuManager::actionTextForiOSAppUpdateState(int32_t state) {
    if (state == kPhoneUpdateReady) return localizable("update");
    return std::nullopt;
}

void UpdatesMenuManager::didToggleActionForState(int32_t state) {
    if (state != kPhoneUpdateReady) return;
    if (auto delegate = this->delegate()) delegate->updateiOSVersion();
}

}  // namespace kestrune
