#include "windows/tutorial/TutorialFinished.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/support/Localizable.h"
#include "features/sharing/SocialManager.h"
#include "uikit/views/ViewAnimations.h"

namespace kestrune {

void TutorialFinished::viewDidLoad() {
    BaseViewController::viewDidLoad();
    if (image) image->setAlphaValue(0);
}

void TutorialFinished::viewWillAppear() {
    BaseViewController::viewWillAppear();
    if (image) image->setAlphaValue(0);
}

void TutorialFinished::updateStrings() {
    BaseViewController::updateStrings();
    if (titleTextField) titleTextField->setStringValue(localizable("onboarding_tutorial_finished"));
    if (shareTextField) shareTextField->setStringValue(localizable("good_time_to_share"));
}

void TutorialFinished::facebookShare(ui::Control&) {
    SocialManager::shareOnFacebook();
}

void TutorialFinished::twitterShare(ui::Control&) {
    SocialManager::shareOnTwitter();
}

void TutorialFinished::playCelebrateAnimation() {
    if (image) setAlpha_withDuration(*image, 0, kThumbsFade);
    std::weak_ptr<TutorialFinished> weak = sharedAs<TutorialFinished>();
    performAfterDelay_block(nullptr, kCelebrationDelay, [weak] {
        if (auto page = weak.lock()) page->executeCelebrateAnimation();
    });
}

void TutorialFinished::executeCelebrateAnimation() {
    std::weak_ptr<TutorialFinished> weak = sharedAs<TutorialFinished>();
    executeAnimationWithName_completion("confetti.json", [weak](bool) {
        if (auto page = weak.lock()) page->showThumbsUpAnimated(true);
    });
}

void TutorialFinished::executeAnimationWithName_completion(const std::string& name,
                                                           std::function<void(bool finished)> completion) {
    // A second celebration replaces the first rather than piling up confetti.
    if (animation_) {
        if (animation_->loopAnimation() && animation_->isAnimationPlaying()) animation_->stop();
        animation_->removeFromSuperview();
    }
    animation_ = ui::AnimationView::animationNamed(name);
    animation_->setLoopAnimation(false);
    animation_->setContentMode(ui::AnimationView::ScaleAspectFit);
    if (animationContainer) {
        animationContainer->addSubview(animation_);
        animation_->setFrame(animationContainer->bounds());
    }
    animation_->playWithCompletion([completion = std::move(completion)](bool finished) {
        if (completion) completion(finished);
    });
}

void TutorialFinished::showThumbsUpAnimated(bool animated) {
    if (!image) return;
    image->setAlphaValue(0);
    if (animated) {
        setAlpha_withDuration(*image, 1.0, kThumbsFade);
    } else {
        image->setAlphaValue(1.0);
    }
}

}  // namespace kestrune
