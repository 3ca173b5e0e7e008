#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/Color.h"

namespace kestrune {

namespace ui = platform::ui;

// What one flat push button shows and does: its title, colours, icon and action.
class ButtonViewModel {
public:
    static std::shared_ptr<ButtonViewModel> initWithTitle_action(std::string title, Block action);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const Block& action() const { return action_; }
    void setAction(Block action) { action_ = std::move(action); }
    bool isLoading() const { return isLoading_; }
    void setIsLoading(bool flag) { isLoading_ = flag; }
    bool isEnabled() const { return isEnabled_; }
    void setIsEnabled(bool flag) { isEnabled_ = flag; }
    const std::string& iconName() const { return iconName_; }
    void setIconName(std::string name) { iconName_ = std::move(name); }
    const std::optional<ui::Color>& color() const { return color_; }
    void setColor(std::optional<ui::Color> color) { color_ = std::move(color); }
    const std::optional<ui::Color>& textColor() const { return textColor_; }
    void setTextColor(std::optional<ui::Color> color) { textColor_ = std::move(color); }

    // Runs the action; a model without one does nothing.
    void executeAction() const;

private:
    std::string title_;
    Block action_;
    bool isLoading_ = false;
    bool isEnabled_ = false;
    std::string iconName_;
    std::optional<ui::Color> color_;
    std::optional<ui::Color> textColor_;
};

}  // namespace kestrune
