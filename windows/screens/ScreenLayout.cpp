#include "windows/screens/ScreenLayout.h"

#include <algorithm>

#include "platform/ui/Font.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/ViewController.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

void ColouredTitleButton::setTitle(std::string title) {
    ui::Button::setTitle(std::move(title));
    if (titleColor_) setTextColor(*this, *titleColor_);
}

void ColouredTitleButton::setTitleColor(const ui::Color& color) {
    titleColor_ = color;
    setTextColor(*this, color);
}

void TopAlignedLabel::setStringValue(const std::string& value) {
    if (!space_) space_ = frame();
    ui::TextField::setStringValue(value);
    // The text's lines, or its glyphs where marks above or below letters ink past them.
    const double needed = cellSizeForBounds({0, 0, space_->width(), 1e5}).height + 2;
    const double height = std::min(space_->height(), std::max(needed, 1.0));
    setFrame({space_->minX(), space_->maxY() - height, space_->width(), height});
}

namespace screenlayout {

std::shared_ptr<ui::View> pageView(ui::NibLoader& nib) {
    auto view = nib.make<ui::View>({0, 0, kPageWidth, kPageHeight});
    setBackgouroundColor(*view, ui::Color::whiteColor());
    nib.addTopLevel(view);
    if (auto owner = nib.owner<ui::ViewController>()) owner->setView(view);
    return view;
}

std::shared_ptr<TopAlignedLabel> label(ui::NibLoader& nib, ui::Rect frame, double size, bool bold,
                                       ui::TextAlignment alignment) {
    auto field = nib.make<TopAlignedLabel>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(bold ? ui::Font::boldSystemFontOfSize(size) : ui::Font::systemFontOfSize(size));
    field->setTextColor(bold ? colorWithHexColorString("222222") : colorWithHexColorString("555555"));
    field->setAlignment(alignment);
    field->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    field->setStringValue("");
    return field;
}

std::shared_ptr<ColouredTitleButton> actionButton(ui::NibLoader& nib, ui::Rect frame) {
    auto button = nib.make<ColouredTitleButton>(frame);
    setToDefaultProperties(*button);
    // The green of the wizard's buttons at any width: a rounded layer rather than a stretched picture.
    button->setImagePosition(ui::ImagePosition::NoImage);
    button->setWantsLayer(true);
    button->layer()->setBackgroundColor(kestruneGreen());
    button->layer()->setCornerRadius(8);
    button->setFont(ui::Font::boldSystemFontOfSize(13));
    button->setTitle("");
    button->setTitleColor(ui::Color::whiteColor());
    return button;
}

std::shared_ptr<ui::Button> pictureButton(ui::NibLoader& nib, ui::Rect frame, const std::string& image) {
    auto button = nib.make<ui::Button>(frame);
    setToDefaultProperties(*button);
    button->setImagePosition(ui::ImagePosition::ImageOnly);
    button->setImage(ui::Image::imageNamed(image));
    button->setTitle("");
    return button;
}

std::shared_ptr<ColouredTitleButton> linkButton(ui::NibLoader& nib, ui::Rect frame) {
    auto button = nib.make<ColouredTitleButton>(frame);
    setToDefaultProperties(*button);
    button->setImagePosition(ui::ImagePosition::NoImage);
    button->setFont(ui::Font::boldSystemFontOfSize(13));
    button->setTitle("");
    button->setTitleColor(kestruneGreen());
    return button;
}

std::shared_ptr<ui::View> separator(ui::NibLoader& nib) {
    auto strip = nib.make<ui::View>({0, 0, kPageWidth, 5});
    strip->setAutoresizingMask(ui::kViewWidthSizable);
    setBackgouroundColor(*strip, kestruneGreen());
    return strip;
}

void addAll(ui::View& parent, const std::vector<std::shared_ptr<ui::View>>& views) {
    for (const auto& view : views) parent.addSubview(view);
}

}  // namespace screenlayout
}  // namespace kestrune
