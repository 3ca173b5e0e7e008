#include "windows/help/InitialConnectionTroubleShoot.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

using Factory = KSViewControllerFactory;

void InitialConnectionTroubleShoot::viewDidLoad() {
    BaseTutorialVC::viewDidLoad();
    downloadAndOpen_ = createDownloadAndOpen();
    bluetoothIphone_ = bluetoothOnIphone();
    restartBluetooth_ = restartBluetoothOnMac();
    support_ = supportOrClearCache();
    faq_ = Factory::faqOrEmailWithTitle(generalTitle());
    start();
}

void InitialConnectionTroubleShoot::reloadPages() {
    helpScreenArray().clear();
    addVC(downloadAndOpen_);
    addVC(bluetoothIphone_);
    addVC(restartBluetooth_);
    macUpdate_ = macUpdateController();
    if (macUpdate_) addVC(macUpdate_);
    iosUpdate_ = iosUpdateController();
    if (iosUpdate_) addVC(iosUpdate_);
    addVC(support_);
    addVC(faq_);
}

std::optional<std::string> InitialConnectionTroubleShoot::titleDescriptionText() const {
    return localizable("troubleshoot");
}

std::string InitialConnectionTroubleShoot::generalTitle() const {
    return stringWithTextArguments("%@ %@", {localizable("kestrune"), localizable("troubleshoot")});
}

Block InitialConnectionTroubleShoot::next() {
    std::weak_ptr<InitialConnectionTroubleShoot> weak = sharedAs<InitialConnectionTroubleShoot>();
    return [weak] {
        if (auto pager = weak.lock()) pager->showNextIfPossible();
    };
}

std::shared_ptr<InfoViewController> InitialConnectionTroubleShoot::createDownloadAndOpen() {
    return Factory::downloadAndOpenKestrune_next(generalTitle(), next());
}

std::shared_ptr<InfoViewController> InitialConnectionTroubleShoot::bluetoothOnIphone() {
    return Factory::bluetoothIsOnIphone_next(generalTitle(), next());
}

std::shared_ptr<InfoViewController> InitialConnectionTroubleShoot::restartBluetoothOnMac() {
    std::weak_ptr<InitialConnectionTroubleShoot> weak = sharedAs<InitialConnectionTroubleShoot>();
    return Factory::restartBluetooth_restart(generalTitle(), [weak] {
        auto pager = weak.lock();
        if (!pager) return;
        restartBluetoothWithCompletion(*pager, pager->next());
    });
}

std::shared_ptr<InfoViewController> InitialConnectionTroubleShoot::supportOrClearCache() {
    std::weak_ptr<InitialConnectionTroubleShoot> weak = sharedAs<InitialConnectionTroubleShoot>();
    return Factory::supportOrClearCache_faq_clearBLE(
        generalTitle(),
        [weak] {
            if (auto pager = weak.lock()) pager->showViewController_animation(pager->faq_, kRight);
        },
        [weak] {
            auto pager = weak.lock();
            if (!pager) return;
            if (auto delegate = pager->helpDelegate_.lock())
                delegate->helpDelegate_didSelectOption(pager.get(), HelpDelegate::kClearBluetoothCache);
        });
}

}  // namespace kestrune
