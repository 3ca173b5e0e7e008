#include "windows/pagers/LoadingViewController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "platform/ui/Nib.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/ViewAnimations.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoadingViewControllerLayout;
const ui::NibRegistry::Registration kLoadingViewControllerLayout(
    "LoadingViewController", [](ui::NibLoader& nib) {
        auto page = screenlayout::pageView(nib);
        auto container = nib.make<ui::View>({305, 170, 240, 240});
        auto text = screenlayout::label(nib, {75, 100, 700, 44}, 20, true);
        auto separator = nib.make<ui::View>({0, 0, screenlayout::kPageWidth, 5});
        separator->setAutoresizingMask(ui::kViewWidthSizable);
        page->addSubview(container);
        page->addSubview(text);
        page->addSubview(separator);
        if (auto owner = nib.owner<LoadingViewController>()) {
            owner->animationContainer = container;
            owner->mainTextField = text;
            owner->bottomSeparatorView = separator;
        }
    });

std::optional<std::string> LoadingViewController::nibName() const {
    return kLoadingViewControllerLayout.name;
}

void LoadingViewController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    if (bottomSeparatorView) setBackgouroundColor(*bottomSeparatorView, kestruneGreen());
}

void LoadingViewController::viewDidAppear() {
    BaseViewController::viewDidAppear();
    showAnimation_loop_completion("bluetooth", true, nullptr);
}

void LoadingViewController::viewDidDisappear() {
    BaseViewController::viewDidDisappear();
    hideLoader();
}

void LoadingViewController::setTitleText(const std::string& text) {
    if (mainTextField) mainTextField->setStringValue(text);
}

void LoadingViewController::hideAnimationWithCompletion(Block completion) {
    if (animation_)
        return setAlpha_withDuration_completion(*animation_, 0.0, kFadeDuration, std::move(completion));
    // A page that never appeared has nothing to fade; the road goes on after the same pause.
    if (completion) performAfterDelay_block(nullptr, kFadeDuration, std::move(completion));
}

void LoadingViewController::showAnimation_loop_completion(const std::string& name, bool loop,
                                                          std::function<void(bool finished)> completion) {
    animation_ = ui::AnimationView::animationNamed(name);
    animation_->setLoopAnimation(loop);
    animation_->setContentMode(ui::AnimationView::ScaleAspectFit);
    if (animationContainer) {
        animationContainer->addSubview(animation_);
        animation_->setFrame(animationContainer->bounds());
    }
    animation_->playWithCompletion([completion = std::move(completion)](bool finished) {
        if (completion) completion(finished);
    });
}

void LoadingViewController::setCompletionAnimation_completion(const std::string& text, Block completion) {
    setTitleText(text);
    std::weak_ptr<LoadingViewController> weak = sharedAs<LoadingViewController>();
    hideAnimationWithCompletion([weak, completion = std::move(completion)] {
        auto page = weak.lock();
        if (!page) return;
        page->showAnimation_loop_completion("checked_done", false, [completion](bool) {
            if (!completion) return;
            performAfterDelay_block(nullptr, kCompletionPause, completion);
        });
    });
}

void LoadingViewController::hideLoader() {
    if (!animation_) return;
    animation_->stop();
    animation_->removeFromSuperview();
}

}  // namespace kestrune
