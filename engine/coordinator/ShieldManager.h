#pragma once

#include <cstdint>
#include <memory>

#include "app/support/EventTimestamp.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {
class Window;
}

namespace kestrune {

class CoordinatorSystem;
class ShieldViewController;

// Builds and places the panel over the lock screen: a transparent, click-through window one level above
// the system's shield, 130 points below the centre of the main screen, holding the shield's view.
class ShieldWindowManger {
public:
    ~ShieldWindowManger();
    // Stores the controller and builds a new window around its view.
    void addViewController(const std::shared_ptr<ShieldViewController>& controller);
    void updateViewController();
    void setBackgroundColor();
    // A window exists, visible or not.
    bool ifShieldWindowShown() const { return shieldWindow_ != nullptr; }
    void showShieldWindowView();
    void hideShieldWindowView();
    // The frame of that size centred on the frame and moved up by the amount (down when negative). The
    // frame's origin is not used: the window is placed relative to its screen.
    static platform::ui::Rect createFrameWithSize_inCenterOfFrame_andMoveUpwardFor(platform::ui::Size size,
                                                                                   platform::ui::Rect frame,
                                                                                   double upward);

    const std::shared_ptr<platform::ui::Window>& shieldWindow() const { return shieldWindow_; }
    const std::shared_ptr<ShieldViewController>& currentViewController() const {
        return currentViewController_;
    }

    static constexpr double kMoveUpward = -130;

private:
    std::shared_ptr<platform::ui::Window> shieldWindow_;
    std::shared_ptr<ShieldViewController> currentViewController_;
};

// Decides when the panel over the lock screen exists and refreshes it: only on systems that let the
// application draw over the login window, while the lock screen shows a locked session, the setting is
// on and the tracked phone's settings ask for it. Its rebuilds and updates are queued on the main queue,
// so the notification handlers return at once.
class ShieldManager {
public:
    explicit ShieldManager(std::shared_ptr<CoordinatorSystem> system);
    ~ShieldManager();
    ShieldManager(const ShieldManager&) = delete;
    ShieldManager& operator=(const ShieldManager&) = delete;

    void registerForViewUpdates();
    // The phone reported a knock: the ripple plays around its picture while a panel exists.
    void animateEffect(int32_t effect);
    void mainScreenHasChanged();
    void reloadAndShowShieldViewIfNeeded();
    void reloadShieldViewController();
    void creatAndPrepareShieldView();
    void hideShieldWindow();
    void updateShieldWindowIfShown();
    bool shouldShowShieldController();

    ShieldWindowManger* shieldManager() const { return shieldManager_.get(); }
    const std::shared_ptr<ShieldViewController>& shieldViewController() const {
        return shieldViewController_;
    }
    const EventTimestamp& effectAnimationTimestamp() const { return effectAnimationTimestamp_; }

    // Within this time of a knock the panel is refreshed in place, never rebuilt, so the ripple plays on.
    static constexpr double kKnockAnimationSeconds = 1.1;

private:
    // What the queued closures hold: they do nothing once the manager is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<ShieldWindowManger> shieldManager_;
    std::shared_ptr<ShieldViewController> shieldViewController_;
    EventTimestamp effectAnimationTimestamp_;
    std::shared_ptr<CoordinatorSystem> system_;
    // A rebuild was asked to end with its panel in front.
    bool showAfterRebuild_ = false;
    // The last of the rebuilds queued by then brings its panel forward.
    int queuedRebuilds_ = 0;
};

}  // namespace kestrune
