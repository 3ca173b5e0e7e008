#include "uikit/scrolling/MyScrollView.h"

#include "platform/ui/AnimationContext.h"

namespace kestrune {

void MyScrollView::scrollToPoint_animated(ui::Point point, bool animated) {
    lastPoint_ = point;
    auto clip = contentView();
    if (!clip) return;
    if (!animated) return clip->setBoundsOrigin(lastPoint_);
    auto self = sharedAs<MyScrollView>();
    ui::AnimationContext::runGroup([&](ui::AnimationContext&) { clip->animator().setBoundsOrigin(point); },
                                   [self] {
                                       if (auto c = self->contentView()) c->setBoundsOrigin(self->lastPoint_);
                                   });
}

}  // namespace kestrune
