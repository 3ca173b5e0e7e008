#include "windows/help/ClearCacheController.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

using Factory = KSViewControllerFactory;

void ClearCacheController::viewDidLoad() {
    BasePagerViewController::viewDidLoad();
    ignoreViewUpdates_ = false;
    showAppropriateStepAnimated(false);
}

void ClearCacheController::start() {
    ignoreViewUpdates_ = false;
    showAppropriateStepAnimated(false);
}

void ClearCacheController::updateViewForBLEUpdate() {
    showAppropriateStepAnimated(true);
}

void ClearCacheController::setCacheMessage(int32_t code) {
    cacheMessage_ = code;
    showAppropriateStepAnimated(true);
}

void ClearCacheController::showAppropriateStepAnimated(bool animated) {
    if (ignoreViewUpdates_) return;
    // A fresh page every time, so its text follows the message and the language of now.
    if (Bluetooth::bluetoothIsOn())
        return showViewController_withAnimationIndex_animated(turnBluetoothOff(), kTurnOffIndex, animated);
    if (CommandLineBluetoothCache::bluetoothCacheFileExists())
        return showViewController_withAnimationIndex_animated(deleteCacheFile(), kDeleteIndex, animated);
    showViewController_withAnimationIndex_animated(restartMac(), kRestartIndex, animated);
}

std::optional<std::string> ClearCacheController::titleDescriptionText() const {
    return localizable("clear_bluetooth_cache");
}

std::string ClearCacheController::descriptionText() const {
    if (cacheMessage_ == 1) return localizable("corrupted_bluetooth_cache");
    return stringWithTextArguments("%@ : %@",
                                   {localizable("step_1_of_3"), localizable("turn_bluetooth_off")});
}

std::shared_ptr<InfoViewController> ClearCacheController::turnBluetoothOff() {
    std::weak_ptr<ClearCacheController> weak = sharedAs<ClearCacheController>();
    return Factory::turnBluetoothOff_action(descriptionText(), [weak] {
        if (auto wizard = weak.lock()) wizard->turnOffToggled();
    });
}

void ClearCacheController::turnOffToggled() {
    // Bluetooth's own changes while it goes off must not move the wizard under the loading page.
    ignoreViewUpdates_ = true;
    std::weak_ptr<ClearCacheController> weak = sharedAs<ClearCacheController>();
    turnOffBluetoothwithCompletion(
        *this,
        [weak] {
            auto wizard = weak.lock();
            if (!wizard) return;
            wizard->ignoreViewUpdates_ = false;
            wizard->showAppropriateStepAnimated(true);
        },
        [weak] {
            // Bluetooth never went off: a restart of the Mac is what is left.
            auto wizard = weak.lock();
            if (!wizard) return;
            wizard->ignoreViewUpdates_ = false;
            wizard->showViewController_withAnimationIndex_animated(wizard->restartMac(), kRestartIndex, true);
        });
}

std::shared_ptr<InfoViewController> ClearCacheController::deleteCacheFile() {
    std::weak_ptr<ClearCacheController> weak = sharedAs<ClearCacheController>();
    return Factory::clearCacheAction([weak] {
        auto wizard = weak.lock();
        if (!wizard) return;
        if (auto delegate = wizard->delegate_.lock()) delegate->clearCacheControllerClearCache(wizard.get());
    });
}

std::shared_ptr<InfoViewController> ClearCacheController::restartMac() {
    return Factory::cacheRestartMac();
}

}  // namespace kestrune
