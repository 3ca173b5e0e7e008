#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "menubar/navigation/AnimationViewModel.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "uikit/buttons/KSButtonIcon.h"

namespace kestrune {

// The settings window's detail pane: a navigation bar (back button and title) shown while the user is
// deeper than a page's root, and the page itself, swapped in by sliding and fading. One swap runs at a
// time; while it runs, the newest request waits and any older waiting request is dropped with its
// completion.
class SettingsDetailViewController : public BaseViewController {
public:
    static constexpr double kSwapDuration = 0.45;
    static constexpr double kNavbarFadeDuration = 0.45;

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;

    // Directions: 0 none, 1 in from above, 2 from below, 3 from the right, 4 from the left.
    void updateContentView_animationDirection(const std::shared_ptr<ui::View>& view, int64_t direction);
    void updateContentView_animationDirection_completion(const std::shared_ptr<ui::View>& view,
                                                         int64_t direction, Block completion);
    void updateContentView_animationDirection_hasNavbar(const std::shared_ptr<ui::View>& view,
                                                        int64_t direction, bool hasNavbar);
    void updateContentView_animationDirection_hasNavbar_completion(const std::shared_ptr<ui::View>& view,
                                                                   int64_t direction, bool hasNavbar,
                                                                   Block completion);
    // Fades the navigation bar in (above everything else) or out.
    void updateNavbar(bool show);
    void backButtonToggled(ui::Control& sender);
    void finishAnimation(Block completion);
    void processQueuedAnimation();

    Block backToggled;
    std::shared_ptr<KSButtonIcon> backButton;
    std::shared_ptr<ui::TextField> titleText;
    std::shared_ptr<ui::View> separator;
    std::shared_ptr<ui::View> navbar;
    std::shared_ptr<ui::View> navbarContentContainer;
    std::shared_ptr<ui::View> contentViewContainer;
    std::shared_ptr<ui::View> fullscreenContentContainer;

    const std::shared_ptr<ui::View>& currentContentView() const { return currentContentView_; }
    const std::shared_ptr<ui::View>& oldContentView() const { return oldContentView_; }
    bool isAnimating() const { return isAnimating_; }
    bool hasNavbar() const { return hasNavbar_; }
    const std::unique_ptr<AnimationViewModel>& queuedAnimation() const { return queuedAnimation_; }

private:
    std::shared_ptr<ui::View> containerFor(bool hasNavbar) const;

    std::shared_ptr<ui::View> currentContentView_;
    std::shared_ptr<ui::View> oldContentView_;
    bool isAnimating_ = false;
    bool hasNavbar_ = false;
    std::unique_ptr<AnimationViewModel> queuedAnimation_;
};

}  // namespace kestrune
