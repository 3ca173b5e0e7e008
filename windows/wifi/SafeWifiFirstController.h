#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "windows/wifi/SafeWifiFirstControllerDelegate.h"
#include "windows/wifi/SafeWifiWizzardPage.h"

namespace kestrune {

// The trusted Wi-Fi wizard's welcome: what Wi-Fi unlock does, why it cannot be used yet (no tracked
// phone), and the ways on that the state allows.
class SafeWifiFirstController : public SafeWifiWizzardPage {
public:
    enum Choice : int64_t { kAddNetwork = 0, kEditList = 1 };

    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void updateViewForViewModel() override;
    void addToggled(ui::Control& sender);
    void editToggled(ui::Control& sender);

    void setDelegate(std::weak_ptr<SafeWifiFirstControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::ImageView> mainImage;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::TextField> issueLabel;
    std::shared_ptr<ui::Button> addButton;
    std::shared_ptr<ui::Button> editButton;

private:
    void select(int64_t choice);

    std::weak_ptr<SafeWifiFirstControllerDelegate> delegate_;
};

}  // namespace kestrune
