#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "windows/wifi/SafeWifiAddNewWifiControllerDelegate.h"
#include "windows/wifi/SafeWifiWizzardPage.h"

namespace kestrune {

// Offers to trust the network the Mac is joined to; says so when it is trusted already or when the Mac
// is joined to none.
class SafeWifiAddNewWifiController : public SafeWifiWizzardPage {
public:
    enum Choice : int64_t { kAdd = 0, kShowList = 1, kCancel = 2 };

    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void updateViewForViewModel() override;
    void showConnectedWifi();
    void showNoConnectedWifi();
    void leftButton(ui::Control& sender);
    void rightButton(ui::Control& sender);
    void centerButton(ui::Control& sender);

    void setDelegate(std::weak_ptr<SafeWifiAddNewWifiControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::ImageView> mainImage;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel2;
    // The buttons; their actions carry their plain names.
    std::shared_ptr<ui::Button> leftButtonOutlet;
    std::shared_ptr<ui::Button> rightButtonOutlet;
    std::shared_ptr<ui::Button> centerButtonOutlet;

private:
    void select(int64_t choice);

    std::weak_ptr<SafeWifiAddNewWifiControllerDelegate> delegate_;
};

}  // namespace kestrune
