#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/tutorial/FinishPreviewController.h"
#include "windows/tutorial/FinishViewControllerDelegate.h"

namespace kestrune {

// The tutorial's last page: Kestrune lives in the menu bar (with a preview of the phone's row), the
// way back into the tutorial, and sharing.
class FinishViewController : public BaseViewController {
public:
    enum Choice : int32_t { kShowTutorial = 1 };

    std::optional<std::string> nibName() const override;
    void loadView() override;
    // The tracked phone's name into the preview, when the phone has one.
    void updateView();
    void updateStrings() override;
    void finishToggled(ui::Control& sender);
    void facebookToggled(ui::Control& sender);
    void twitterToggled(ui::Control& sender);
    void setDelegate(std::weak_ptr<FinishViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<ui::TextField> textLabel;
    std::shared_ptr<ui::TextField> titleTextField;
    std::shared_ptr<ui::TextField> shareLabel;
    std::shared_ptr<ui::Button> finishButton;
    std::shared_ptr<ui::Button> facebookButton;
    std::shared_ptr<ui::Button> twitterButton;
    std::shared_ptr<ui::View> finishPreview;
    std::shared_ptr<FinishPreviewController> finishPreviewController;

private:
    std::weak_ptr<FinishViewControllerDelegate> delegate_;
};

}  // namespace kestrune
