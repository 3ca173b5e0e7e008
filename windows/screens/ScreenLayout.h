#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The common pieces of the screens' layouts: a white page with dark text and green buttons, the look of
// every wizard, tutorial and information page.
// A button whose title keeps its colour whatever title it is given later.
class ColouredTitleButton : public ui::Button {
public:
    void setTitle(std::string title) override;
    void setTitleColor(const ui::Color& color);

private:
    std::optional<ui::Color> titleColor_;
};

// A label whose text starts at the top of the space the layout gave it: its height follows its text
// (up to that space), its top edge stays.
class TopAlignedLabel : public ui::TextField {
public:
    void setStringValue(const std::string& value) override;

private:
    std::optional<ui::Rect> space_;
};

namespace screenlayout {

constexpr double kPageWidth = 850;
constexpr double kPageHeight = 530;

// The page's view: white, the size of a wizard page, given to the owner when it is a view controller.
std::shared_ptr<ui::View> pageView(ui::NibLoader& nib);
// A text that cannot be edited: no bezel, no background, wrapping inside its frame.
std::shared_ptr<TopAlignedLabel> label(ui::NibLoader& nib, ui::Rect frame, double size, bool bold = false,
                                       ui::TextAlignment alignment = ui::TextAlignment::Center);
// A green button with a white title.
std::shared_ptr<ColouredTitleButton> actionButton(ui::NibLoader& nib, ui::Rect frame);
// A borderless button showing only a picture.
std::shared_ptr<ui::Button> pictureButton(ui::NibLoader& nib, ui::Rect frame, const std::string& image);
// A text button in the product green, without a picture.
std::shared_ptr<ColouredTitleButton> linkButton(ui::NibLoader& nib, ui::Rect frame);
// The green strip under a page's title, as wide as the page and stretching with it.
std::shared_ptr<ui::View> separator(ui::NibLoader& nib);
void addAll(ui::View& parent, const std::vector<std::shared_ptr<ui::View>>& views);

// Binds the button to a member operation of the owner (held weakly) that takes the sender.
template <typename Owner>
void bind(ui::Button& button, const std::shared_ptr<Owner>& owner, void (Owner::*action)(ui::Control&)) {
    if (!owner) return;
    button.setTarget(owner);
    button.setAction([action](const std::shared_ptr<ui::UIObject>& target, ui::Control& sender) {
        if (auto typed = std::dynamic_pointer_cast<Owner>(target)) ((*typed).*action)(sender);
    });
}

}  // namespace screenlayout
}  // namespace kestrune
