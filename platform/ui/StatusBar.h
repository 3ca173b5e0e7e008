#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Image.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

class Menu;
class View;
class Window;

constexpr double kVariableStatusItemLength = -1;
constexpr double kSquareStatusItemLength = -2;

// An item of the system status bar. Each has its own borderless strip window at the top of the main
// screen, whose content view is the item's view, so that it is laid out, drawn and clicked like any
// other window's content.
class StatusItem : public UIObject {
public:
    double length() const { return length_; }
    void setLength(double length);
    // The custom view, or the item's own button view.
    std::shared_ptr<View> view() const;
    void setView(const std::shared_ptr<View>& view);
    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);
    const std::shared_ptr<Image>& alternateImage() const { return alternateImage_; }
    void setAlternateImage(std::shared_ptr<Image> image) { alternateImage_ = std::move(image); }
    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    bool highlightMode() const { return highlightMode_; }
    void setHighlightMode(bool flag) { highlightMode_ = flag; }
    const std::shared_ptr<Menu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<Menu> menu) { menu_ = std::move(menu); }
    // A click on the item's own button (without a menu) runs it.
    const std::function<void()>& action() const { return action_; }
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    // The menu bar's ground under a custom view, into the current graphics context: the selection colour
    // while highlighted (the item's menu or panel is open), the bar's own grey otherwise (dark on a dark
    // desktop).
    void drawStatusBarBackgroundInRect_withHighlight(Rect rect, bool highlight) const;

    // The strip window (screen frame: its place in the menu bar).
    std::shared_ptr<Window> window() const { return window_; }
    double effectiveLength() const;

private:
    friend class StatusBar;
    double length_ = kVariableStatusItemLength;
    std::shared_ptr<View> custom_;
    std::shared_ptr<View> button_;
    std::shared_ptr<Image> image_;
    std::shared_ptr<Image> alternateImage_;
    std::string title_;
    std::string toolTip_;
    bool highlightMode_ = false;
    std::shared_ptr<Menu> menu_;
    std::function<void()> action_;
    std::shared_ptr<Window> window_;
};

// The system status bar: items from the right edge of the main screen leftwards, newest leftmost.
class StatusBar {
public:
    static StatusBar& systemStatusBar();
    double thickness() const { return 22; }
    std::shared_ptr<StatusItem> statusItemWithLength(double length);
    void removeStatusItem(const std::shared_ptr<StatusItem>& item);
    const std::vector<std::shared_ptr<StatusItem>>& statusItems() const { return items_; }
    // Places every strip again (after a length change or a removal).
    void layoutItems();
    void resetForTesting();

private:
    StatusBar() = default;
    std::vector<std::shared_ptr<StatusItem>> items_;
};

}  // namespace platform::ui
