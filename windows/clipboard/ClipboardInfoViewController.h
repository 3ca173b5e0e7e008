#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/coordinator/ClipboardInfoViewControllerDelegate.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// The window that explains clipboard sharing and sends the Mac's clipboard to the phone with its button
// (or the hot key it shows). The button and the hot key only work while the tracked phone is connected;
// otherwise the window says so.
class ClipboardInfoViewController : public KSWindowController {
public:
    static constexpr int64_t kOptionSend = ClipboardInfoViewControllerDelegate::kSendClipboard;

    // "ClipboardInfoViewController".
    std::optional<std::string> nibName() const override;
    void windowDidLoad() override;

    void updateStrings();
    // The connected or the not-connected layout, from the tracked phone now.
    void updateViewForCurrentState();
    void setUpViewWhenConnectedToDevice();
    void setUpViewWhenNotConnectedToDevice();
    // The send button's action.
    void buttonToggled(ui::Control& sender);

    std::shared_ptr<ClipboardInfoViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ClipboardInfoViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Outlets, held weakly: the window's views own them.
    std::weak_ptr<ui::TextField> titleLabel;
    std::weak_ptr<ui::TextField> descriptionLabel;
    std::weak_ptr<ui::Button> sentClipboardButton;
    std::weak_ptr<ui::ImageView> shortcutImageVIew;
    std::weak_ptr<ui::TextField> bottomLabel;
    std::weak_ptr<ui::TextField> devicesNotConnectedLabel;
    std::weak_ptr<ui::TextField> sentToMacLabel;
    std::weak_ptr<ui::TextField> getFromMacLabel;
    std::weak_ptr<ui::TextField> clipboardLabel;

private:
    std::weak_ptr<ClipboardInfoViewControllerDelegate> delegate_;
};

}  // namespace kestrune
