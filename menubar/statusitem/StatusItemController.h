#pragma once

#include <memory>
#include <string>

#include "menubar/statusitem/MenubarControllerDelegate.h"
#include "menubar/statusitem/StatusItemView.h"

namespace kestrune {

// Owns the application's item in the system status bar: its view, the icon chosen from the phone's
// state, and the clicks reported to its delegate. Releasing the controller removes the item.
class StatusItemController : public std::enable_shared_from_this<StatusItemController> {
public:
    static constexpr double kStatusItemLength = 24;

    static std::shared_ptr<StatusItemController> initWithDelegate(
        std::weak_ptr<MenubarControllerDelegate> delegate);
    ~StatusItemController();
    StatusItemController(const StatusItemController&) = delete;
    StatusItemController& operator=(const StatusItemController&) = delete;

    // Makes the item and its view on the first call; on every call chooses both icons again.
    void setUpStatusItem();
    void updateStatusItem();
    // "menubar_icon_<online|offline|disconnected>_<hl|nonhl>_<update|noupdate>".
    static std::string imageNameForStatusBarHighlighted(bool highlighted);
    std::shared_ptr<ui::Image> imageForStatusBarHighlighted(bool highlighted) const;
    // The tracked phone is connected; and also tracking (or only paused).
    static bool isConnected();
    static bool isOnlineAndTracking();

    bool hasActiveIcon() const;
    void setHasActiveIcon(bool active);
    void togglePanel();
    void rightClickTogglePanel();
    // The icon goes; the item keeps its place until the controller is released.
    void removeIcon();

    std::shared_ptr<ui::StatusItem> statusItem() const;
    const std::shared_ptr<StatusItemView>& statusItemView() const { return statusItemView_; }
    std::shared_ptr<MenubarControllerDelegate> delegate() const { return delegate_.lock(); }

private:
    StatusItemController() = default;

    std::shared_ptr<StatusItemView> statusItemView_;
    std::weak_ptr<MenubarControllerDelegate> delegate_;
};

}  // namespace kestrune
