#include "uikit/views/ImageRepresentation.h"

namespace kestrune {

std::shared_ptr<ui::Image> makeImageSnapshot(ui::View& view) {
    const ui::Rect bounds = view.bounds();
    auto bitmap = view.bitmapImageRepForCachingDisplayInRect(bounds);
    view.cacheDisplayInRect_toBitmapImageRep(bounds, bitmap);
    auto image = ui::Image::create(bounds.size);
    if (bitmap && bitmap->bitmap()) image->setBitmap(*bitmap->bitmap());
    return image;
}

std::shared_ptr<ui::Image> imageRepresentation(ui::View& view) {
    const bool wasHidden = view.isHidden();
    const bool wasLayered = view.wantsLayer();
    view.setHidden(false);
    view.setWantsLayer(true);
    auto image = makeImageSnapshot(view);
    view.setWantsLayer(wasLayered);
    view.setHidden(wasHidden);
    return image;
}

}  // namespace kestrune
