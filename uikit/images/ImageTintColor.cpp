#include "uikit/images/ImageTintColor.h"

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

std::shared_ptr<ui::Image> imageTintedWithColor(const std::shared_ptr<ui::Image>& image,
                                                const std::optional<ui::Color>& color) {
    if (!image) return nullptr;
    auto original = std::make_shared<ui::Image>(*image);
    if (!color) return original;
    // Drawn each time: the picture, then the colour over the picture's own pixels only (the drawing
    // runs on a layer of its own, so the atop fill never reaches what lies below the image).
    auto tinted = ui::Image::imageWithSize_flipped_drawingHandler(
        image->size(), false, [original, tint = *color](ui::Rect destination) {
            auto* context = ui::GraphicsContext::current();
            if (!context) return false;
            original->drawInRect_fromRect_operation_fraction(destination, {},
                                                             ui::CompositingOperation::SourceOver, 1);
            context->saveGState();
            context->setCompositingOperation(ui::CompositingOperation::SourceAtop);
            context->setFillColor(tint);
            context->fillRect(destination);
            context->restoreGState();
            return true;
        });
    tinted->setName(image->name());
    tinted->setTemplate(image->isTemplate());
    tinted->setCapInsets(image->capInsets());
    return tinted;
}

std::shared_ptr<ui::Image> imageNamedRetina(const std::string& name) {
    return ui::Image::imageNamed(name);
}

}  // namespace kestrune
