#include "menubar/pages/SetupMenuManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Localizable.h"
#include "engine/session/SystemPreferences.h"
#include "menubar/lists/KestruneListViewModelFactory.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/pages/PhoneFacts.h"

namespace kestrune {

namespace {

using F = ListViewModelFactory;
using K = KestruneListViewModelFactory;

// Confirmation methods and what locking does.
constexpr int32_t kNoConfirmation = 0;
constexpr int32_t kSetupYesNo = 1;
constexpr int32_t kSetupTouchId = 2;
constexpr int32_t kSetupDoubleKnock = 3;
constexpr int32_t kLockScreen = 0;
constexpr int32_t kScreensaver = 1;

DeviceLocalSettings& setupLocal() {
    return DeviceLocalSettings::shared();
}

}  // namespace

Block SetupMenuManager::choose(void (NavigationDelegate::*operation)(int32_t), int32_t value) {
    return weakly<SetupMenuManager>([operation, value](SetupMenuManager& self) {
        if (auto delegate = self.delegate()) (delegate.get()->*operation)(value);
        self.reloadData();
    });
}

BaseMenuItemManager::Rows SetupMenuManager::createViewModel() {
    Rows rows;
    auto facts = PhoneFacts::current();
    if (!facts) {
        rows.push_back(notPairedDevices());
    } else if (!facts.connected) {
        rows.push_back(notConnected());
    }
    rows.push_back(proximityUnlockSection());
    rows.push_back(F::separatorCell());
    rows.push_back(proximityUnlock());
    if (facts) {
        if (facts.connected) rows.push_back(estimatedDistance(facts.phone));
        rows.push_back(slider_settings(facts.phone, facts.settings));
    }
    auto& settings = setupLocal();
    if (settings.proximityLockIsOn()) {
        rows.push_back(allowLockOnApproach());
        rows.push_back(allowUnlockOnApproach());
        if (settings.allowLoginOnApproach()) rows.push_back(verifyNotificationForProximityLock());
        if (settings.proximityUnlockVerification() != kNoConfirmation) {
            rows.push_back(doubleKnockProximityUnlock());
            rows.push_back(touchIdProximityUnlock());
            rows.push_back(yesNoProximityUnlock());
        }
    }
    for (auto row : {lockOptionsSection(), F::separatorCell(), sleep(), screensaver(), macWakeUnlockTitle(),
                     F::separatorCell(), doubleKnock(), touchId(), yesNo(), disable(), otherSection(),
                     F::separatorCell(), lockMacOnDisconnect(), smallerDistances(), openSpace()})
        rows.push_back(row);
    return rows;
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::proximityUnlockSection() {
    return F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("proximity_unlock_title"), localizable("proximity_unlock_description"), [] {},
        localizable("try_it_out"), navigate(&NavigationDelegate::showProximityLockTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::proximityUnlock() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_kestrune", localizable("proximity_unlock_feature_title"), std::string(),
        setupLocal().proximityLockIsOn(), navigate(&NavigationDelegate::toggleProximityLock, true));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::estimatedDistance(
    const std::shared_ptr<MobileDevice>& phone) {
    auto facts = PhoneFacts::current();
    const std::string name = facts.phone == phone ? facts.deviceName() : "";
    const std::string distance =
        phone ? phone->distanceStringWithUserActiveIndication(false).value_or("") : std::string();
    return F::titleValueCell_value_action_buttonTitle_buttonAction(
        localizable("estimated_distance_to") + " " + name, distance, nullptr, localizable("learn_more"),
        navigate(&NavigationDelegate::showEstimatedDistanceDescription));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::slider_settings(
    const std::shared_ptr<MobileDevice>&, const std::shared_ptr<MobileSettings>& settings) {
    auto& values = setupLocal();
    std::weak_ptr<MobileSettings> weakSettings = settings;
    std::weak_ptr<NavigationDelegate> weakDelegate = delegate();
    return F::sliderWithMax_min_value_textValue_description_action(
        static_cast<int32_t>(values.maxRssiValue()), static_cast<int32_t>(values.minRssiValue()),
        static_cast<int32_t>(values.proximityLockDistance()),
        [weakSettings](int32_t value) {
            auto phoneSettings = weakSettings.lock();
            return phoneSettings ? phoneSettings->calculate(value) : std::to_string(value);
        },
        localizable("proximity_lock_unlock_distance"),
        // The slider shows the new value itself: the page is not rebuilt under the user's hand.
        [weakDelegate](int32_t value) {
            if (auto delegate = weakDelegate.lock()) delegate->updateTrackingDistance(value);
        });
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::allowLockOnApproach() {
    return F::simpleCheckBoxWithIcon_title_isOn_action(
        "lock_leave", localizable("lock_on_leave"), setupLocal().allowLogoutOnWalkAway(),
        navigate(&NavigationDelegate::toggleAllowLogout, true));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::allowUnlockOnApproach() {
    return F::simpleCheckBoxWithIcon_title_isOn_action("unlock_approach", localizable("unlock_on_approach"),
                                                       setupLocal().allowLoginOnApproach(),
                                                       navigate(&NavigationDelegate::toggleAllowLogin, true));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::verifyNotificationForProximityLock() {
    return F::simpleCheckBoxWithIcon_title_isOn_indentation_action_readMoreText_readMoreAction(
        "lock_leave", localizable("proximity_unlock_verification_title"),
        setupLocal().proximityUnlockVerification() != kNoConfirmation, 1,
        navigate(&NavigationDelegate::toggleProximityUnlockVerification, true), localizable("read_more"),
        navigate(&NavigationDelegate::showConfirmProximityUnlockTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::doubleKnockProximityUnlock() {
    return K::doubleKnockCellIsOn_indentation_action_readMoreAction(
        setupLocal().proximityUnlockVerification() == kSetupDoubleKnock, 2,
        choose(&NavigationDelegate::updateProximityUnlockVerification, kSetupDoubleKnock),
        navigate(&NavigationDelegate::showKnockKnockTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::touchIdProximityUnlock() {
    return K::touchCellIsOn_indentation_action_readMoreAction(
        setupLocal().proximityUnlockVerification() == kSetupTouchId, 2,
        choose(&NavigationDelegate::updateProximityUnlockVerification, kSetupTouchId),
        navigate(&NavigationDelegate::showTouchIdTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::yesNoProximityUnlock() {
    return K::yesNoCellIsOn_indentation_action_readMoreAction(
        setupLocal().proximityUnlockVerification() == kSetupYesNo, 2,
        choose(&NavigationDelegate::updateProximityUnlockVerification, kSetupYesNo),
        navigate(&NavigationDelegate::showYesNoTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::lockOptionsSection() {
    return F::titleDescriptionCellWithTitle_description_action(
        localizable("lock_options_title"), localizable("lock_options_description"), [] {});
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::sleep() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_sleep", localizable("sleep"), std::string(), setupLocal().actionOnLogout() == kLockScreen,
        choose(&NavigationDelegate::updateLogoutAction, kLockScreen));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::screensaver() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_screensaver", localizable("screensaver"), std::string(),
        setupLocal().actionOnLogout() == kScreensaver,
        weakly<SetupMenuManager>([](SetupMenuManager& self) { self.chooseScreensaver(); }));
}

void SetupMenuManager::chooseScreensaver() {
    auto delegate = this->delegate();
    // Locking the screen works without any system setting; the screensaver locks only when the system
    // asks for the password at once, so switching to it from locking first leads through that setting.
    if (setupLocal().actionOnLogout() == kLockScreen &&
        !SystemPreferences::preconditionsToLockMacOnScreensaverAreSetForceUpdate()) {
        if (!delegate) return;
        std::weak_ptr<SetupMenuManager> weak = std::static_pointer_cast<SetupMenuManager>(shared_from_this());
        delegate->updateSecuritySettingsWithCompletion([weak] {
            auto self = weak.lock();
            if (!self) return;
            if (auto later = self->delegate()) later->updateLogoutAction(kScreensaver);
            self->reloadData();
        });
        return;
    }
    if (delegate) delegate->updateLogoutAction(kScreensaver);
    reloadData();
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::macWakeUnlockTitle() {
    return F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("mac_wake_unlock_title"), localizable("mac_sleep_screen_unlock_description_short"), [] {},
        localizable("try_it_out"), navigate(&NavigationDelegate::showMacSleepScreenTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::doubleKnock() {
    return K::doubleKnockCellIsOn_indentation_action_readMoreAction(
        setupLocal().macSleepScreenUnlockConfirmLogin() == kSetupDoubleKnock, 0,
        choose(&NavigationDelegate::updateMacSleepScreenAuth, kSetupDoubleKnock),
        navigate(&NavigationDelegate::showKnockKnockTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::touchId() {
    return K::touchCellIsOn_indentation_action_readMoreAction(
        setupLocal().macSleepScreenUnlockConfirmLogin() == kSetupTouchId, 0,
        choose(&NavigationDelegate::updateMacSleepScreenAuth, kSetupTouchId),
        navigate(&NavigationDelegate::showTouchIdTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::yesNo() {
    return K::yesNoCellIsOn_indentation_action_readMoreAction(
        setupLocal().macSleepScreenUnlockConfirmLogin() == kSetupYesNo, 0,
        choose(&NavigationDelegate::updateMacSleepScreenAuth, kSetupYesNo),
        navigate(&NavigationDelegate::showYesNoTutorial));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::disable() {
    return F::simpleCheckBoxWithIcon_title_isOn_action(
        std::string(), localizable("mac_sleep_screen_dont_ask"),
        setupLocal().macSleepScreenUnlockConfirmLogin() == kNoConfirmation,
        choose(&NavigationDelegate::updateMacSleepScreenAuth, kNoConfirmation));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::otherSection() {
    return F::titleDescriptionCellWithTitle_description_action(
        localizable("other_settings"), localizable("other_settings_description"), [] {});
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::lockMacOnDisconnect() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_bt_disconnect", localizable("lock_mac_on_disconnect"),
        localizable("lock_mac_on_disconnect_description"), setupLocal().logoutOnDisconnect(),
        navigate(&NavigationDelegate::toggleLogoutOnDisconnect, true));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::smallerDistances() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_smaller_distances", localizable("allow_closer_distances"),
        localizable("allow_closer_distances_description"), setupLocal().allowCloserDistances(),
        navigate(&NavigationDelegate::toggleAllowSmallerDistances, true));
}

std::shared_ptr<ListCellViewModel> SetupMenuManager::openSpace() {
    return F::checkBoxWithIcon_title_description_isOn_action_readMoreButton_readMoreAction(
        "cell_icon_open_space", localizable("open_space_mode_short"),
        localizable("open_space_mode_description"), setupLocal().loginOnApproach(),
        navigate(&NavigationDelegate::toggleOpenSpaceMode, true), localizable("learn_more"),
        navigate(&NavigationDelegate::showOpenSpaceInfo));
}

}  // namespace kestrune
