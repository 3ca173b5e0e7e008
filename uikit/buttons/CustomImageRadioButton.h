#pragma once

#include <memory>
#include <string>

#include "platform/ui/Button.h"

namespace kestrune {

namespace ui = platform::ui;

// A button that shows one picture when selected and another when not. The pictures are loaded by name
// when first needed and again only after the names change.
class CustomImageRadioButton : public ui::Button {
public:
    static std::shared_ptr<CustomImageRadioButton> create(ui::Rect frame = {}) {
        return ui::make<CustomImageRadioButton>(frame);
    }

    // Changing either name reloads both pictures; the same names again do nothing.
    void setSelectedImageName_unselectedImageName(const std::string& selected, const std::string& unselected);
    void updateView();
    void createImageIfNeeded();
    bool isSelected() const { return isSelected_; }
    void setIsSelected(bool selected);
    void updateViewForSelectedState();
    void drawRect(ui::Rect dirty) override;

    const std::string& selectedImageName() const { return selectedImageName_; }
    const std::string& unselectedImageName() const { return unselectedImageName_; }
    const std::shared_ptr<ui::Image>& imageForSelectedState() const { return imageForSelectedState_; }
    const std::shared_ptr<ui::Image>& imageForDeselectedState() const { return imageForDeselectedState_; }
    bool updateImagesOnNextRender() const { return updateImagesOnNextRender_; }

private:
    bool isSelected_ = false;
    std::string selectedImageName_;
    std::string unselectedImageName_;
    std::shared_ptr<ui::Image> imageForSelectedState_;
    std::shared_ptr<ui::Image> imageForDeselectedState_;
    bool updateImagesOnNextRender_ = false;
};

}  // namespace kestrune
