#include "uikit/views/ViewAdditions.h"

#include "platform/ui/ImageView.h"

namespace kestrune {

void setViewDisabled(ui::View& view) {
    view.setAlphaValue(0.5);
}

void setViewEnabled(ui::View& view) {
    view.setAlphaValue(1.0);
}

void setClipsToBounds(ui::View& view, bool clips) {
    view.setWantsLayer(true);
    view.setLayer(view.layer());
    if (auto layer = view.layer()) layer->setMasksToBounds(clips);
}

void setBackgroundImage(ui::View& view, const std::shared_ptr<ui::Image>& image) {
    auto picture = ui::ImageView::create(view.bounds());
    picture->setImage(image);
    picture->setImageScaling(ui::ImageScaling::AxesIndependently);
    picture->setAlphaValue(1.0);
    picture->unregisterDraggedTypes();
    view.addSubview_positioned_relativeTo(picture, ui::WindowOrderingMode::Below, nullptr);
    picture->display();
}

ui::Rect frameUp(const ui::View& view) {
    const ui::Rect b = view.bounds();
    return b.offsetBy(0, b.height() / 2);
}

ui::Rect frameDown(const ui::View& view) {
    const ui::Rect b = view.bounds();
    return b.offsetBy(0, -b.height() / 2);
}

ui::Rect frameLeft(const ui::View& view) {
    const ui::Rect b = view.bounds();
    return b.offsetBy(-b.width() / 2, 0);
}

ui::Rect frameRight(const ui::View& view) {
    const ui::Rect b = view.bounds();
    return b.offsetBy(b.width() / 2, 0);
}

ui::Rect incomingFrameForAnimationDirection(const ui::View& view, long direction) {
    switch (direction) {
        case 1:
            return frameUp(view);
        case 2:
            return frameDown(view);
        case 3:
            return frameRight(view);
        case 4:
            return frameLeft(view);
        default:
            return frameDown(view);
    }
}

ui::Rect outgoingFrameForAnimationDirection(const ui::View& view, long direction) {
    switch (direction) {
        case 1:
            return frameDown(view);
        case 2:
            return frameUp(view);
        case 3:
            return frameLeft(view);
        case 4:
            return frameRight(view);
        default:
            return frameUp(view);
    }
}

}  // namespace kestrune
