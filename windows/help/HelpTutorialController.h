#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/coordinator/HelpDelegate.h"
#include "windows/pagers/BaseTutorialVC.h"
#include "windows/screens/InfoViewController.h"

namespace kestrune {

// The troubleshooting sequence of the settings window: Bluetooth on, Bluetooth jammed, restart
// Bluetooth, the update pages when they are due, restart the phone application, FAQ or clear the
// cache, FAQ or e-mail. It tells its delegate when it appears and disappears, so that the link's
// recovery mode runs exactly while it is on screen.
class HelpTutorialController : public BaseTutorialVC {
public:
    void viewDidLoad() override;
    // The six fixed pages, with the update pages of this moment after the third.
    void reloadPages() override;
    std::optional<std::string> titleDescriptionText() const override;
    std::shared_ptr<InfoViewController> first();
    std::shared_ptr<InfoViewController> second();
    std::shared_ptr<InfoViewController> third();
    std::shared_ptr<InfoViewController> fourth();
    std::shared_ptr<InfoViewController> fifth();
    std::shared_ptr<InfoViewController> sixth();
    std::string generalTitle() const override;
    void clearBluetoothCache();

    std::shared_ptr<HelpDelegate> helpDelegate() const { return helpDelegate_.lock(); }
    void setHelpDelegate(std::weak_ptr<HelpDelegate> delegate) { helpDelegate_ = std::move(delegate); }
    const std::shared_ptr<InfoViewController>& macUpdate() const { return macUpdate_; }
    const std::shared_ptr<InfoViewController>& iosUpdate() const { return iosUpdate_; }
    const std::shared_ptr<InfoViewController>& firstVC() const { return firstVC_; }
    const std::shared_ptr<InfoViewController>& secondVC() const { return secondVC_; }
    const std::shared_ptr<InfoViewController>& thirdVC() const { return thirdVC_; }
    const std::shared_ptr<InfoViewController>& fourthVC() const { return fourthVC_; }
    const std::shared_ptr<InfoViewController>& fifthVC() const { return fifthVC_; }
    const std::shared_ptr<InfoViewController>& sixthVC() const { return sixthVC_; }

private:
    void tell(int32_t option);
    Block next();

    std::weak_ptr<HelpDelegate> helpDelegate_;
    std::shared_ptr<InfoViewController> macUpdate_, iosUpdate_;
    std::shared_ptr<InfoViewController> firstVC_, secondVC_, thirdVC_, fourthVC_, fifthVC_, sixthVC_;
};

}  // namespace kestrune
