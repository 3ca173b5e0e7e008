#pragma once

#include <functional>
#include <memory>

#include "platform/ui/Image.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The view inside the system status item: the icon, centred at 1/1.35 of the item's size, drawn
// highlighted while the panel is open (and always so on a dark menu bar), and the clicks turned into the
// two actions.
class StatusItemView : public ui::View {
public:
    using Action = std::function<void()>;
    static constexpr double kIconScale = 1.35;

    // As wide as the item's length and as tall as the status bar; the item shows this view from now on.
    static std::shared_ptr<StatusItemView> initWithStatusItem(const std::shared_ptr<ui::StatusItem>& item);

    const std::shared_ptr<ui::StatusItem>& statusItem() const { return statusItem_; }
    const std::shared_ptr<ui::Image>& image() const { return image_; }
    void setImage(std::shared_ptr<ui::Image> image);
    const std::shared_ptr<ui::Image>& alternateImage() const { return alternateImage_; }
    void setAlternateImage(std::shared_ptr<ui::Image> image);
    bool isHighlighted() const { return isHighlighted_; }
    void setHighlighted(bool highlighted);
    // Sent on a left and on a right mouse-down.
    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }
    const Action& rightClickAction() const { return rightClickAction_; }
    void setRightClickAction(Action action) { rightClickAction_ = std::move(action); }

    // The view's frame on the screen; the zero rectangle without a window.
    ui::Rect globalRect() const;
    // A dark menu bar, from a system that has one (10.10 on).
    bool isDarkModeOn() const;
    // Where the icon goes: the bounds shrunk by the icon scale, centred on whole points.
    ui::Rect iconRect() const;

    void mouseDown(const ui::Event& e) override;
    void rightMouseDown(const ui::Event& e) override;
    void drawRect(ui::Rect dirty) override;

private:
    std::shared_ptr<ui::StatusItem> statusItem_;
    std::shared_ptr<ui::Image> image_;
    std::shared_ptr<ui::Image> alternateImage_;
    bool isHighlighted_ = false;
    Action action_;
    Action rightClickAction_;
};

}  // namespace kestrune
