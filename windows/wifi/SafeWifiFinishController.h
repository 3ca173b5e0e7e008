#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "windows/wifi/SafeWifiFinishControllerDelegate.h"
#include "windows/wifi/SafeWifiWizzardPage.h"

namespace kestrune {

// The confirmation after a network was trusted.
class SafeWifiFinishController : public SafeWifiWizzardPage {
public:
    enum Choice : int64_t { kDone = 1 };

    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void finishToggled(ui::Control& sender);

    void setDelegate(std::weak_ptr<SafeWifiFinishControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::ImageView> mainImage;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::Button> finishButton;

private:
    std::weak_ptr<SafeWifiFinishControllerDelegate> delegate_;
};

}  // namespace kestrune
