#pragma once

#include <functional>
#include <memory>

#include "app/shell/ThreadHelpers.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// Shows one child page at a time inside a container and swaps pages with a slide and fade of 0.45 s in
// one of four directions (0 none, 1 up, 2 down, 3 right, 4 left). One transition runs at a time; a
// change asked for meanwhile waits as the single pending one (a later request replaces it). A child
// page may offer a page to go back to through its back action.
class BasePagerViewController : public BaseViewController {
public:
    enum Direction : long { kNone = 0, kUp = 1, kDown = 2, kRight = 3, kLeft = 4 };
    static constexpr double kTransitionDuration = 0.45;

    void viewDidLoad() override;
    std::optional<std::string> nibName() const override;

    // Nothing when the page is the current one (or equal to it by comparison identifier).
    void showViewController_animation(const std::shared_ptr<BaseViewController>& page, long direction);
    // Right when the index is above the current one, left when below, no slide when equal; the index
    // is recorded.
    void showViewController_withAnimationIndex(const std::shared_ptr<BaseViewController>& page, float index);
    void showViewController_withAnimationIndex_animated(const std::shared_ptr<BaseViewController>& page,
                                                        float index, bool animated);
    void updateCurrentAnimationIndex(float index) { currentAutomaticAnimationIndex_ = index; }
    // The current page's back action, when it leads to a page: that page slides in from the left and
    // the answer is true; otherwise false and the caller goes back its own way.
    bool performCustomActionOnBackButtonToggled() override;
    void didFinishAnimation();

    const std::shared_ptr<ui::View>& contentViewContainer() const { return contentViewContainer_; }
    const std::shared_ptr<ui::View>& contentView() const { return contentView_; }
    const std::shared_ptr<ui::View>& oldContentView() const { return oldContentView_; }
    const std::shared_ptr<BaseViewController>& currentViewController() const {
        return currentViewController_;
    }
    float currentAutomaticAnimationIndex() const { return currentAutomaticAnimationIndex_; }
    bool isAnimating() const { return isAnimating_; }
    bool hasPendingChange() const { return static_cast<bool>(animationCompletionBlock_); }

private:
    void updateContentView_animationDirection(const std::shared_ptr<ui::View>& view, long direction);
    void executeUpdateContentView_animationDirection(const std::shared_ptr<ui::View>& view, long direction);

    std::shared_ptr<ui::View> contentViewContainer_;
    std::shared_ptr<ui::View> contentView_;
    std::shared_ptr<ui::View> oldContentView_;
    std::shared_ptr<BaseViewController> currentViewController_;
    float currentAutomaticAnimationIndex_ = 0;
    bool isAnimating_ = false;
    Block animationCompletionBlock_;
};

}  // namespace kestrune
