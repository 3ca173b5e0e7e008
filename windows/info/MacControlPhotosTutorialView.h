#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/info/MacControlPhotosTutorialViewDelegate.h"

namespace kestrune {

// An overview of the three photo and history features, each with a button that leads to it.
class MacControlPhotosTutorialView : public BaseViewController {
public:
    enum Choice : int32_t { kFailedLoginPhotos = 1, kLoginPhotos = 2, kLockUnlockHistory = 3 };

    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void didToggleShowFailedLoginAttemptPhotos(ui::Control& sender);
    void didToggleShowLoginPhotos(ui::Control& sender);
    void didToggleShowLockUnlockHistory(ui::Control& sender);

    std::shared_ptr<MacControlPhotosTutorialViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<MacControlPhotosTutorialViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::TextField> loginPhotosTitleLabel, failedLoginPhotosTitleLabel,
        lockUnlockHistoryTitleLabel;
    std::shared_ptr<ui::ImageView> loginPhotosIcon, failedLoginPhotosIcon, lockUnlockHistoryIcon;
    std::shared_ptr<ui::TextField> loginPhotosDescription, failedLoginPhotosDescription,
        lockUnlockHistoryDescription;
    std::shared_ptr<ui::Button> loginPhotosButton, failedLoginPhotosButton, lockUnlockHistoryButton;

private:
    void select(int32_t choice);

    std::weak_ptr<MacControlPhotosTutorialViewDelegate> delegate_;
};

}  // namespace kestrune
