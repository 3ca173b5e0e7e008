#include "uikit/pagers/BasePagerViewController.h"

#include "platform/ui/Nib.h"
#include "uikit/views/ViewAdditions.h"
#include "uikit/views/ViewAnimations.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kBasePagerViewControllerLayout;

std::optional<std::string> BasePagerViewController::nibName() const {
    return kBasePagerViewControllerLayout.name;
}

void BasePagerViewController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    auto page = view();
    contentViewContainer_ = ui::View::create(page->bounds());
    contentViewContainer_->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    page->addSubview(contentViewContainer_);
}

void BasePagerViewController::showViewController_animation(const std::shared_ptr<BaseViewController>& page,
                                                           long direction) {
    if (!page) return;
    if (currentViewController_ && (currentViewController_ == page || currentViewController_->isEqual(*page)))
        return;
    currentViewController_ = page;
    updateContentView_animationDirection(page->view(), direction);
}

void BasePagerViewController::showViewController_withAnimationIndex(
    const std::shared_ptr<BaseViewController>& page, float index) {
    long direction = kNone;
    if (index > currentAutomaticAnimationIndex_) direction = kRight;
    if (index < currentAutomaticAnimationIndex_) direction = kLeft;
    showViewController_animation(page, direction);
    updateCurrentAnimationIndex(index);
}

void BasePagerViewController::showViewController_withAnimationIndex_animated(
    const std::shared_ptr<BaseViewController>& page, float index, bool animated) {
    if (animated) return showViewController_withAnimationIndex(page, index);
    showViewController_animation(page, kNone);
    updateCurrentAnimationIndex(index);
}

bool BasePagerViewController::performCustomActionOnBackButtonToggled() {
    if (!currentViewController_) return false;
    auto back = currentViewController_->backActionVC();
    if (!back) return false;
    auto previous = back();
    if (!previous) return false;
    showViewController_animation(previous, kLeft);
    return true;
}

void BasePagerViewController::didFinishAnimation() {
    isAnimating_ = false;
    if (animationCompletionBlock_) {
        // The block clears itself after running; keep it alive while it runs.
        auto pending = animationCompletionBlock_;
        pending();
    }
}

void BasePagerViewController::updateContentView_animationDirection(const std::shared_ptr<ui::View>& view,
                                                                   long direction) {
    if (isAnimating_) {
        std::weak_ptr<BasePagerViewController> weak = sharedAs<BasePagerViewController>();
        animationCompletionBlock_ = [weak, view, direction] {
            auto pager = weak.lock();
            if (!pager) return;
            pager->animationCompletionBlock_ = nullptr;
            pager->executeUpdateContentView_animationDirection(view, direction);
        };
        return;
    }
    executeUpdateContentView_animationDirection(view, direction);
}

void BasePagerViewController::executeUpdateContentView_animationDirection(
    const std::shared_ptr<ui::View>& view, long direction) {
    if (!view || !contentViewContainer_) return;
    const double duration = direction != kNone ? kTransitionDuration : 0;
    oldContentView_ = contentView_;
    contentView_ = view;
    const ui::Rect bounds = contentViewContainer_->bounds();
    view->setFrame(bounds);
    contentViewContainer_->addSubview(view);
    view->setAlphaValue(0);
    isAnimating_ = true;
    std::weak_ptr<BasePagerViewController> weak = sharedAs<BasePagerViewController>();
    std::weak_ptr<ui::View> incoming = view;
    setFrame_completion(
        *view, incomingFrameForAnimationDirection(*contentViewContainer_, direction),
        [weak, incoming, direction, duration, bounds] {
            auto pager = weak.lock();
            auto in = incoming.lock();
            if (!pager || !in) return;
            setAlpha_withDuration(*in, 1.0, duration);
            setFrame_withDuration(*in, bounds, duration);
            auto old = pager->oldContentView_;
            if (!old) return pager->didFinishAnimation();
            setAlpha_withDuration(*old, 0, duration);
            std::weak_ptr<ui::View> outgoing = old;
            setFrame_withDuration_completion(
                *old, outgoingFrameForAnimationDirection(*pager->contentViewContainer_, direction), duration,
                [weak, outgoing] {
                    auto p = weak.lock();
                    if (!p) return;
                    auto out = outgoing.lock();
                    if (out && out->superview() == p->contentViewContainer_.get() && out != p->contentView_)
                        out->removeFromSuperview();
                    p->oldContentView_ = nullptr;
                    p->didFinishAnimation();
                });
        });
}

}  // namespace kestrune
