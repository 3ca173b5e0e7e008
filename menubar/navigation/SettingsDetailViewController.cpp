#include "menubar/navigation/SettingsDetailViewController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Window.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ViewAdditions.h"
#include "uikit/views/ViewAnimations.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSettingsDetailViewControllerLayout;

namespace {
// A swap that has nothing to move still ends a moment later, as a swap without sliding does.
constexpr double kImmediateSwapEnd = 0.01;
}  // namespace

std::optional<std::string> SettingsDetailViewController::nibName() const {
    return kSettingsDetailViewControllerLayout.name;
}

void SettingsDetailViewController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    if (auto pane = view())
        if (auto window = pane->window()) window->setMovableByWindowBackground(true);
    if (backButton) backButton->setTitle_withIcon(localizable("back"), "back_arrow");
    if (separator) setBackgouroundColor(*separator, ui::Color::lightGrayColor());
}

void SettingsDetailViewController::updateContentView_animationDirection(const std::shared_ptr<ui::View>& view,
                                                                        int64_t direction) {
    updateContentView_animationDirection_hasNavbar_completion(view, direction, false, nullptr);
}

void SettingsDetailViewController::updateContentView_animationDirection_completion(
    const std::shared_ptr<ui::View>& view, int64_t direction, Block completion) {
    updateContentView_animationDirection_hasNavbar_completion(view, direction, false, std::move(completion));
}

void SettingsDetailViewController::updateContentView_animationDirection_hasNavbar(
    const std::shared_ptr<ui::View>& view, int64_t direction, bool hasNavbar) {
    updateContentView_animationDirection_hasNavbar_completion(view, direction, hasNavbar, nullptr);
}

void SettingsDetailViewController::updateContentView_animationDirection_hasNavbar_completion(
    const std::shared_ptr<ui::View>& view, int64_t direction, bool hasNavbar, Block completion) {
    if (isAnimating_) {
        // Only the newest request waits; an older waiting one is dropped, completion and all.
        queuedAnimation_ = std::make_unique<AnimationViewModel>(
            AnimationViewModel{view, direction, hasNavbar, std::move(completion)});
        return;
    }
    auto pane = this->view();
    auto container = containerFor(hasNavbar);
    if (!pane || !view || !container) return;
    isAnimating_ = true;
    hasNavbar_ = hasNavbar;
    std::weak_ptr<SettingsDetailViewController> weak = sharedAs<SettingsDetailViewController>();
    const ui::Rect shown = container->bounds();

    if (view == currentContentView_ && view->superview() == pane.get()) {
        // The page is already the one shown: swapping it with itself would fade it out and remove it.
        view->setFrame(shown);
        view->setAlphaValue(1);
        performAfterDelay_block(pane, kImmediateSwapEnd, [weak, completion] {
            if (auto self = weak.lock()) self->finishAnimation(completion);
        });
        updateNavbar(hasNavbar);
        return;
    }

    if (currentContentView_) removeAllAnimations(*currentContentView_);
    if (oldContentView_ && oldContentView_->superview()) oldContentView_->removeFromSuperview();
    const double duration = direction != 0 ? kSwapDuration : 0;
    oldContentView_ = currentContentView_;
    currentContentView_ = view;

    view->setFrame(shown);
    // The page follows the pane as the window is resized, as its container does.
    view->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    pane->addSubview(view);
    view->setAlphaValue(0);
    const ui::Rect incoming = incomingFrameForAnimationDirection(*container, direction);
    const ui::Rect outgoing = outgoingFrameForAnimationDirection(*container, direction);
    auto old = oldContentView_;
    setFrame_completion(*view, incoming, [weak, view, old, shown, outgoing, duration, completion] {
        auto self = weak.lock();
        if (!self) return;
        setAlpha_withDuration(*view, 1.0, duration);
        setFrame_withDuration(*view, shown, duration);
        if (!old) return self->finishAnimation(completion);
        setAlpha_withDuration(*old, 0.0, duration);
        setFrame_withDuration_completion(*old, outgoing, duration, [weak, old, completion] {
            auto self = weak.lock();
            if (!self) return;
            auto pane = self->view();
            if (pane && old->superview() == pane.get()) old->removeFromSuperview();
            self->oldContentView_ = nullptr;
            self->finishAnimation(completion);
        });
    });
    updateNavbar(hasNavbar);
}

void SettingsDetailViewController::updateNavbar(bool show) {
    if (!navbar) return;
    setAlpha_withDuration(*navbar, show ? 1.0 : 0.0, kNavbarFadeDuration);
    if (auto pane = view(); show && pane) pane->addSubview(navbar);
}

void SettingsDetailViewController::backButtonToggled(ui::Control&) {
    if (backToggled) backToggled();
}

void SettingsDetailViewController::finishAnimation(Block completion) {
    if (completion) completion();
    isAnimating_ = false;
    processQueuedAnimation();
}

void SettingsDetailViewController::processQueuedAnimation() {
    if (!queuedAnimation_) return;
    auto next = std::move(queuedAnimation_);
    updateContentView_animationDirection_hasNavbar_completion(next->view, next->direction, next->hasNavbar,
                                                              std::move(next->completion));
}

std::shared_ptr<ui::View> SettingsDetailViewController::containerFor(bool hasNavbar) const {
    return hasNavbar ? contentViewContainer : fullscreenContentContainer;
}

}  // namespace kestrune
