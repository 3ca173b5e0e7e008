#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/AnimationView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The page shown while Bluetooth is restarted or switched off: a looping animation over a text, ended
// by a completion animation with the text of the outcome.
class LoadingViewController : public BaseViewController {
public:
    static constexpr double kFadeDuration = 0.3;
    static constexpr double kCompletionPause = 1.5;

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;
    void setTitleText(const std::string& text);
    // Fades the playing animation out over 0.3 s, then runs the closure.
    void hideAnimationWithCompletion(Block completion);
    void showAnimation_loop_completion(const std::string& name, bool loop,
                                       std::function<void(bool finished)> completion);
    // The text at once; the running animation fades, the "done" animation plays once, and 1.5 s after
    // it the closure runs.
    void setCompletionAnimation_completion(const std::string& text, Block completion);
    void hideLoader();

    const std::shared_ptr<ui::AnimationView>& animation() const { return animation_; }

    std::shared_ptr<ui::View> animationContainer;
    std::shared_ptr<ui::TextField> mainTextField;
    std::shared_ptr<ui::View> bottomSeparatorView;

private:
    std::shared_ptr<ui::AnimationView> animation_;
};

}  // namespace kestrune
