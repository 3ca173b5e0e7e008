#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TrackingArea.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The panel's phone row: the phone's picture, name and distance (or link state), the loading spinner, and
// the rescan, help, ping and alert buttons. While the pointer is over a visible rescan button the
// distance label says what a click does, and gets its own text back after.
class SingleMobileDeviceView : public ui::View {
public:
    // The distance label's x with and without the loader before it.
    static constexpr double kDistanceLabelXWithLoader = 98;
    static constexpr double kDistanceLabelXWithoutLoader = 70;

    void setLoaderVisible(bool visible);
    // The rows' vertical places, set on every refresh with a tracked phone.
    void layoutForTrackedPhone();
    void addRescanHoverEffect();
    const std::optional<std::string>& savedLabelText() const { return savedLabelText_; }

    void mouseEntered(const ui::Event& e) override;
    void mouseExited(const ui::Event& e) override;

    // Outlets.
    std::shared_ptr<ui::TextField> nameLabel;
    std::shared_ptr<ui::TextField> distanceLabel;
    std::shared_ptr<ui::Button> helpButton;
    std::shared_ptr<ui::Button> pingButton;
    std::shared_ptr<ui::Button> notificationButton;
    std::shared_ptr<ui::ImageView> mobileImageView;
    std::shared_ptr<ui::TextField> noteLabel;
    std::shared_ptr<ui::ImageView> loadingImage;
    std::shared_ptr<ui::Button> rescanButton;

private:
    std::optional<std::string> savedLabelText_;
    std::shared_ptr<ui::TrackingArea> rescanTrackingArea_;
};

}  // namespace kestrune
