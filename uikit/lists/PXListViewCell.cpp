#include "uikit/lists/PXListViewCell.h"

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

void PXListViewCell::initWithReusableIdentifier(const std::string& identifier) {
    initWithFrame({});
    reusableIdentifier_ = identifier;
}

void PXListViewCell::initFromNib(ui::NibArgs& args) {
    View::initFromNib(args);
    reusableIdentifier_ = className();
}

void PXListViewCell::adoptLoadedState(const std::string& identifier) {
    reusableIdentifier_ = identifier;
    selectionIsDisabled_ = false;
    prepareForReuse();
}

void PXListViewCell::prepareForReuse() {
    dropHighlight_ = PXDropHighlight::None;
}

bool PXListViewCell::isSelected() const {
    auto list = listView_.lock();
    return list && list->selectedRows().count(row_) > 0;
}

void PXListViewCell::mouseDown(const ui::Event& event) {
    if (auto list = listView_.lock()) list->handleMouseDown_inCell(&event, *this);
}

void PXListViewCell::setDropHighlight(PXDropHighlight highlight) {
    if (auto list = listView_.lock()) list->setShowsDropHighlight(highlight != PXDropHighlight::None);
    dropHighlight_ = highlight;
    setNeedsDisplay(true);
}

void PXListViewCell::drawRect(ui::Rect) {
    if (dropHighlight_ == PXDropHighlight::None) return;
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Rect b = bounds();
    context->setStrokeColor(ui::Color::alternateSelectedControlColor());
    ui::BezierPath path;
    switch (dropHighlight_) {
        case PXDropHighlight::On:
            path = ui::BezierPath::bezierPathWithRect(b.insetBy(1, 1));
            break;
        case PXDropHighlight::Above:
            path = ui::BezierPath::bezierPathWithRect({b.minX(), b.maxY() - 1, b.width(), 2});
            break;
        case PXDropHighlight::Below:
            path = ui::BezierPath::bezierPathWithRect({b.minX(), b.minY() + 1, b.width(), 2});
            break;
        case PXDropHighlight::None:
            return;
    }
    path.setLineWidth(2);
    context->strokePath(path);
}

std::vector<std::string> PXListViewCell::accessibilityAttributeNames() {
    return {"AXRole", "AXEnabled"};
}

platform::Value PXListViewCell::accessibilityAttributeValue(const std::string& attribute) {
    if (attribute == "AXRole") return "AXRow";
    if (attribute == "AXEnabled") return true;
    return {};
}

void PXListViewCell::accessibilityPerformAction(const std::string& action) {
    if (action != "AXPress") return;
    if (auto list = listView_.lock()) list->handleMouseDown_inCell(nullptr, *this);
}

}  // namespace kestrune
