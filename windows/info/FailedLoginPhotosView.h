#pragma once

#include <cstdint>
#include <memory>

#include "menubar/photos/FailedLoginPhotosViewDelegate.h"
#include "windows/info/PhotoFeatureTutorialView.h"

namespace kestrune {

// The settings window's page about photos of failed logins and what the photo window does with them.
class FailedLoginPhotosView : public PhotoFeatureTutorialView {
public:
    enum Choice : int32_t { kBack = 0, kShowAllPhotos = 1 };

    std::optional<std::string> nibName() const override;
    void backToggled(ui::Control& sender);
    void showToggled(ui::Control& sender);

    std::shared_ptr<FailedLoginPhotosViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<FailedLoginPhotosViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

private:
    void select(int32_t choice);

    std::weak_ptr<FailedLoginPhotosViewDelegate> delegate_;
};

}  // namespace kestrune
