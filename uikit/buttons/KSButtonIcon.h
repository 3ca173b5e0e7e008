#pragma once

#include <memory>
#include <string>

#include "uikit/buttons/KSButton3.h"

namespace kestrune {

// A flat button with an icon before its title, painted in the text colour. Its width is the title's
// plus room for the icon, and it grows to the right.
class KSButtonIcon : public KSButton3 {
public:
    static std::shared_ptr<KSButtonIcon> create(ui::Rect frame = {}) { return ui::make<KSButtonIcon>(frame); }

    void setTitle_withIcon(const std::string& title, const std::string& iconName);
    void setViewModel(const std::shared_ptr<ButtonViewModel>& model) override;
    void updateView() override;
    ui::Rect getFrameForSizeUpdate() override;
    void drawRect(ui::Rect dirty) override;

    const std::string& iconName() const { return iconName_; }
    void setIconName(std::string name) { iconName_ = std::move(name); }
    bool didSetupButtonView() const { return didSetupButtonView_; }

private:
    std::string iconName_;
    bool didSetupButtonView_ = false;
};

}  // namespace kestrune
