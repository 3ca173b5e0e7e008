#include "windows/help/HelpTutorialController.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {

using Factory = KSViewControllerFactory;

void HelpTutorialController::viewDidLoad() {
    BaseTutorialVC::viewDidLoad();
    std::weak_ptr<HelpTutorialController> weak = sharedAs<HelpTutorialController>();
    setViewDidAppearHandler([weak] {
        if (auto pager = weak.lock()) pager->tell(HelpDelegate::kDidAppear);
    });
    setViewDidDissapearHandler([weak] {
        if (auto pager = weak.lock()) pager->tell(HelpDelegate::kDidDisappear);
    });
    firstVC_ = first();
    secondVC_ = second();
    thirdVC_ = third();
    fourthVC_ = fourth();
    fifthVC_ = fifth();
    sixthVC_ = sixth();
    start();
}

void HelpTutorialController::reloadPages() {
    helpScreenArray().clear();
    addVC(firstVC_);
    addVC(secondVC_);
    addVC(thirdVC_);
    macUpdate_ = macUpdateController();
    if (macUpdate_) addVC(macUpdate_);
    iosUpdate_ = iosUpdateController();
    if (iosUpdate_) addVC(iosUpdate_);
    addVC(fourthVC_);
    addVC(fifthVC_);
    addVC(sixthVC_);
}

std::optional<std::string> HelpTutorialController::titleDescriptionText() const {
    return localizable("troubleshoot");
}

std::string HelpTutorialController::generalTitle() const {
    return stringWithTextArguments("%@ %@", {localizable("kestrune"), localizable("troubleshoot")});
}

Block HelpTutorialController::next() {
    std::weak_ptr<HelpTutorialController> weak = sharedAs<HelpTutorialController>();
    return [weak] {
        if (auto pager = weak.lock()) pager->showNextIfPossible();
    };
}

std::shared_ptr<InfoViewController> HelpTutorialController::first() {
    return Factory::makeSureBleOn_next(generalTitle(), next());
}

std::shared_ptr<InfoViewController> HelpTutorialController::second() {
    return Factory::bleJammed_next(generalTitle(), next());
}

std::shared_ptr<InfoViewController> HelpTutorialController::third() {
    std::weak_ptr<HelpTutorialController> weak = sharedAs<HelpTutorialController>();
    return Factory::restartBluetooth_restart(generalTitle(), [weak] {
        auto pager = weak.lock();
        if (!pager) return;
        restartBluetoothWithCompletion(*pager, pager->next());
    });
}

std::shared_ptr<InfoViewController> HelpTutorialController::fourth() {
    return Factory::restartiPhoneApp_next(generalTitle(), next());
}

std::shared_ptr<InfoViewController> HelpTutorialController::fifth() {
    std::weak_ptr<HelpTutorialController> weak = sharedAs<HelpTutorialController>();
    return Factory::supportOrClearCache_faq_clearBLE(generalTitle(), next(), [weak] {
        if (auto pager = weak.lock()) pager->clearBluetoothCache();
    });
}

std::shared_ptr<InfoViewController> HelpTutorialController::sixth() {
    return Factory::faqOrEmailWithTitle(generalTitle());
}

void HelpTutorialController::clearBluetoothCache() {
    tell(HelpDelegate::kClearBluetoothCache);
}

void HelpTutorialController::tell(int32_t option) {
    if (auto delegate = helpDelegate_.lock()) delegate->helpDelegate_didSelectOption(this, option);
}

}  // namespace kestrune
