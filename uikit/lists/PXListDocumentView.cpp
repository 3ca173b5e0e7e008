#include "uikit/lists/PXListDocumentView.h"

#include "platform/ui/GraphicsContext.h"
#include "uikit/lists/PXListView.h"

namespace kestrune {

void PXListDocumentView::mouseDown(const ui::Event& event) {
    if (auto list = listView_.lock()) list->handleMouseDownOutsideCells(event);
}

void PXListDocumentView::setDropHighlight(PXDropHighlight highlight) {
    dropHighlight_ = highlight;
    setNeedsDisplayInRect(visibleRect());
}

void PXListDocumentView::drawRect(ui::Rect) {
    if (dropHighlight_ == PXDropHighlight::None) return;
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    auto path = ui::BezierPath::bezierPathWithRect(visibleRect().insetBy(1, 1));
    path.setLineWidth(2);
    context->setStrokeColor(ui::Color::selectedControlColor());
    context->strokePath(path);
}

}  // namespace kestrune
