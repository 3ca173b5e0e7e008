#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/AnimationView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The celebration once the Mac has locked by walking away and unlocked by coming back: confetti, then a
// thumbs-up, and the offer to share.
class TutorialFinished : public BaseViewController {
public:
    static constexpr double kThumbsFade = 0.5;
    static constexpr double kCelebrationDelay = 1.2;

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void updateStrings() override;
    void facebookShare(ui::Control& sender);
    void twitterShare(ui::Control& sender);
    void playCelebrateAnimation();
    void executeCelebrateAnimation();
    // Replaces the earlier animation view (stopping it when it loops) with the named one, played once.
    void executeAnimationWithName_completion(const std::string& name,
                                             std::function<void(bool finished)> completion);
    void showThumbsUpAnimated(bool animated);

    const std::shared_ptr<ui::AnimationView>& animation() const { return animation_; }

    std::shared_ptr<ui::TextField> titleTextField;
    std::shared_ptr<ui::TextField> shareTextField;
    std::shared_ptr<ui::View> animationContainer;
    std::shared_ptr<ui::ImageView> image;

private:
    std::shared_ptr<ui::AnimationView> animation_;
};

}  // namespace kestrune
