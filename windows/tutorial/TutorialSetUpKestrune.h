#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/tutorial/TutorialSetUpKestruneDelegate.h"

namespace kestrune {

// Tells the user how to switch proximity locking on for the phone, with a preview of the panel's row.
class TutorialSetUpKestrune : public BaseViewController {
public:
    // 0 shown after pairing, 1 opened by the user.
    enum Reason : int32_t { kAfterPairing = 0, kOpenedByUser = 1 };

    std::optional<std::string> nibName() const override;
    void setIPhoneName(const std::string& name);
    void setShowViewReason(int32_t reason);
    void updateStrings() override;
    void openMainMenuToggled(ui::Control& sender);
    void setUpView() { updateStrings(); }

    int32_t showViewReason() const { return showViewReason_; }
    const std::string& iPhoneName() const { return iPhoneName_; }
    void setDelegate(std::weak_ptr<TutorialSetUpKestruneDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::Button> finishButton;
    std::shared_ptr<ui::Button> openMainMenuButton;
    std::shared_ptr<ui::TextField> topTitleLabel;
    std::shared_ptr<ui::TextField> bottomTitleLabel;
    std::shared_ptr<ui::TextField> kestruneTitleLabel;
    std::shared_ptr<ui::TextField> kestruneSwitchLabel;
    std::shared_ptr<ui::TextField> distanceLabel;
    std::shared_ptr<ui::TextField> firstText;
    std::shared_ptr<ui::TextField> secondText;
    std::shared_ptr<ui::TextField> iPhoneNameTitle;

private:
    int32_t showViewReason_ = kAfterPairing;
    std::string iPhoneName_;
    std::weak_ptr<TutorialSetUpKestruneDelegate> delegate_;
};

}  // namespace kestrune
