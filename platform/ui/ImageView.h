#pragma once

#include <memory>
#include <optional>

#include "platform/ui/Control.h"
#include "platform/ui/Image.h"

namespace platform::ui {

enum class ImageScaling {
    ProportionallyDown = 0,
    AxesIndependently = 1,
    None = 2,
    ProportionallyUpOrDown = 3
};
enum class ImageAlignment {
    Center = 0,
    Top,
    TopLeft,
    TopRight,
    Left,
    Bottom,
    BottomLeft,
    BottomRight,
    Right
};

// Shows an image scaled and aligned within its bounds.
class ImageView : public Control {
public:
    static std::shared_ptr<ImageView> create(Rect frame = {}) { return make<ImageView>(frame); }

    const std::shared_ptr<Image>& image() const { return image_; }
    // An animated image starts playing from its first picture when it is set (and the view animates).
    virtual void setImage(std::shared_ptr<Image> image);
    ImageScaling imageScaling() const { return scaling_; }
    virtual void setImageScaling(ImageScaling s) { scaling_ = s, setNeedsDisplay(true); }
    ImageAlignment imageAlignment() const { return alignment_; }
    void setImageAlignment(ImageAlignment a) { alignment_ = a, setNeedsDisplay(true); }
    bool animates() const { return animates_; }
    void setAnimates(bool flag) { animates_ = flag; }
    bool isEditable() const { return editable_; }
    void setEditable(bool flag) { editable_ = flag; }

    // The picture of an animated image shown now (by the platform clock since it was set), or none
    // when the image is not animated or the view does not animate.
    std::optional<size_t> currentAnimationFrame() const;

    // Where the image is drawn for the current bounds, scaling and alignment.
    Rect imageRect() const;
    void drawRect(Rect dirty) override;
    // A drag that starts on a picture moves a window that is movable by its background.
    bool mouseDownCanMoveWindow() const override { return true; }

private:
    std::shared_ptr<Image> image_;
    ImageScaling scaling_ = ImageScaling::ProportionallyDown;
    ImageAlignment alignment_ = ImageAlignment::Center;
    bool animates_ = true;
    bool editable_ = false;
    double imageSetTime_ = 0;
};

}  // namespace platform::ui
