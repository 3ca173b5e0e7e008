#pragma once

#include <cstdint>
#include <memory>

#include "menubar/photos/MacControllerTrackTutorialViewDelegate.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The settings window's page about the lock and unlock history: the kinds of entries it keeps, its
// filter, and the button that shows it.
class MacControllerTrackTutorialView : public BaseViewController {
public:
    enum Choice : int32_t { kPrevious = 0, kShowHistory = 1 };

    std::optional<std::string> nibName() const override;
    void updateStrings() override;
    void previousToggled(ui::Control& sender);
    void showToggled(ui::Control& sender);

    std::shared_ptr<MacControllerTrackTutorialViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<MacControllerTrackTutorialViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::TextField> imageTitle;
    std::shared_ptr<ui::TextField> firstDescriptionLabel, secondDescriptionLabel, thirdDescriptionLabel,
        fourthDescriptionLabel, fifthDescriptionLabel;
    std::shared_ptr<ui::TextField> filterLabel;
    std::shared_ptr<ui::Button> showButton;

private:
    void select(int32_t choice);

    std::weak_ptr<MacControllerTrackTutorialViewDelegate> delegate_;
};

}  // namespace kestrune
