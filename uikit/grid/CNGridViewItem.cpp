#include "uikit/grid/CNGridViewItem.h"

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

void CNGridViewItem::initProperties() {
    CNGridViewItemBase::initProperties();
    initDefaultContent();
}

void CNGridViewItem::initDefaultContent() {
    defaultLayout_ = CNGridViewItemLayout::defaultLayout();
    hoverLayout_ = CNGridViewItemLayout::defaultLayout();
    selectionLayout_ = CNGridViewItemLayout::defaultLayout();
    currentLayout_ = defaultLayout_;
    useLayout_ = true;
}

void CNGridViewItem::adoptLayout(const std::shared_ptr<CNGridViewItemLayout>& layout,
                                 const std::string& reuseIdentifier) {
    defaultLayout_ = hoverLayout_ = selectionLayout_ = currentLayout_ = layout;
    setReuseIdentifier(reuseIdentifier);
}

void CNGridViewItem::setSelected(bool selected) {
    CNGridViewItemBase::setSelected(selected);
    currentLayout_ = selected ? selectionLayout_ : defaultLayout_;
    setNeedsDisplay(true);
}

void CNGridViewItem::setDefaultLayout(std::shared_ptr<CNGridViewItemLayout> layout) {
    defaultLayout_ = std::move(layout);
    currentLayout_ = defaultLayout_;
}

void CNGridViewItem::addDeleteButton() {
    if (deleteButton_) return;
    auto button = ui::Button::create({-8, -8, 24, 24});
    button->setBordered(false);
    button->setImage(ui::Image::imageNamed("wizzard_close_button"));
    button->setButtonType(ui::ButtonType::MomentaryChange);
    button->setBezelStyle(ui::BezelStyle::Rounded);
    button->setTarget(weakAs<ui::UIObject>());
    button->setAction([](const std::shared_ptr<ui::UIObject>& target, ui::Control&) {
        if (auto item = std::dynamic_pointer_cast<CNGridViewItem>(target)) item->closeButtonPressed();
    });
    addSubview(button);
    deleteButton_ = button;
}

void CNGridViewItem::removeDeleteButton() {
    if (!deleteButton_) return;
    deleteButton_->setHidden(true);
    deleteButton_->removeFromSuperview();
    deleteButton_.reset();
}

void CNGridViewItem::drawRect(ui::Rect) {
    auto* context = ui::GraphicsContext::current();
    if (!context || !currentLayout_) return;
    const ui::Rect bounds = this->bounds();
    context->setFillColor(currentLayout_->backgroundColor);
    context->fillRect(bounds);
    if (selected()) {
        auto ring = ui::BezierPath::bezierPathWithRect(bounds);
        ring.setLineWidth(currentLayout_->selectionRingLineWidth);
        context->setStrokeColor(currentLayout_->selectionRingColor);
        context->strokePath(ring);
    }
}

}  // namespace kestrune
