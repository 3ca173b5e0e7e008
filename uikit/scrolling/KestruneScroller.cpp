#include "uikit/scrolling/KestruneScroller.h"

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

void KestruneScroller::drawRect(ui::Rect dirty) {
    Scroller::drawRect(dirty);
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    context->saveGState();
    context->setCompositingOperation(ui::CompositingOperation::Copy);
    context->setFillColor(ui::Color::clearColor());
    context->fillRect(dirty);
    context->restoreGState();
    drawKnob();
}

}  // namespace kestrune
