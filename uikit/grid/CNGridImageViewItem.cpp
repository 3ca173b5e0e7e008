#include "uikit/grid/CNGridImageViewItem.h"

#include "platform/ui/AttributedString.h"
#include "platform/ui/GraphicsContext.h"

namespace kestrune {

void CNGridImageViewItem::initProperties() {
    CNGridViewItem::initProperties();
    initDefaultContent();
}

void CNGridImageViewItem::initDefaultContent() {
    itemImage_.reset();
    itemTitle_.clear();
}

void CNGridImageViewItem::prepareForReuse() {
    CNGridViewItem::prepareForReuse();
    itemImage_.reset();
    itemTitle_.clear();
}

void CNGridImageViewItem::setItemImage(std::shared_ptr<ui::Image> image) {
    itemImage_ = std::move(image);
    setNeedsDisplay(true);
}

void CNGridImageViewItem::setItemTitle(std::string title) {
    itemTitle_ = std::move(title);
    setNeedsDisplay(true);
}

void CNGridImageViewItem::drawRect(ui::Rect dirty) {
    CNGridViewItem::drawRect(dirty);
    const double w = bounds().width(), h = bounds().height();
    if (itemImage_) {
        itemImage_->drawInRect_fromRect_operation_fraction({3, 3, w - 6, h - 6}, {},
                                                           ui::CompositingOperation::SourceOver, 1.0);
    }
    const auto& layout = currentLayout();
    ui::AttributedString title(itemTitle_, layout ? layout->itemTitleTextAttributes : ui::TextAttributes{});
    title.drawInRect({3, h - 25, w - 6, 20});
}

}  // namespace kestrune
