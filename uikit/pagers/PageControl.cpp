#include "uikit/pagers/PageControl.h"

#include "platform/ui/AnimationContext.h"
#include "platform/ui/BezierPath.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Nib.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

namespace {

constexpr double kDotSide = 10;
constexpr const char* kMarkerImage = "wizzard_page_indicator_empty";
constexpr const char* kDotImage = "wizzard_page_indicator_full";

// A dot drawn by code at the size it is shown, so that it stays round and sharp at any backing scale:
// the current page's marker in the product green, the other pages' dots light grey.
void registerDotPictureIfMissing(const char* name, ui::Color color) {
    if (ui::Image::imageNamed(name)) return;
    auto image = ui::Image::imageWithSize_flipped_drawingHandler(
        {kDotSide, kDotSide}, false, [color](ui::Rect destination) {
            auto* context = ui::GraphicsContext::current();
            if (!context) return false;
            context->setFillColor(color);
            context->fillPath(ui::BezierPath::bezierPathWithOvalInRect(destination));
            return true;
        });
    image->setName(name);
    ui::ImageRegistry::add(name, image);
}

}  // namespace

void PageControl::registerDotPictures() {
    registerDotPictureIfMissing(kMarkerImage, kestruneGreen());
    registerDotPictureIfMissing(kDotImage, colorWithHexColorString("C9CCCB"));
}

void PageControl::initWithFrame(ui::Rect frame) {
    View::initWithFrame(frame);
    initialize();
}

void PageControl::initFromNib(ui::NibArgs& args) {
    View::initFromNib(args);
    initialize();
}

void PageControl::initialize() {
    registerDotPictures();
    activePageIndicator_ = ui::ImageView::create({0, 0, kDotSide, kDotSide});
    activePageIndicator_->setImage(ui::Image::imageNamed(kMarkerImage));
    distanceBetweenDots_ = 20;
}

void PageControl::setNumberOfDots(int32_t count) {
    numberOfDots_ = count;
    updateView();
}

void PageControl::removeAllDots() {
    const auto views = subviews();
    for (const auto& view : views) view->removeFromSuperview();
}

void PageControl::updateView() {
    removeAllDots();
    addSubview(activePageIndicator_);
    pageIndicatorArray_.clear();
    // The dots lie above the marker: the current one is hidden to let the marker show.
    for (int32_t i = 0; i < numberOfDots_; ++i) addSubview(createPageIndicatorAtIndex(i));
}

std::shared_ptr<ui::ImageView> PageControl::createPageIndicatorAtIndex(int32_t index) {
    auto dot =
        ui::ImageView::create({static_cast<double>(distanceBetweenDots_) * index, 0, kDotSide, kDotSide});
    dot->setImage(ui::Image::imageNamed(kDotImage));
    pageIndicatorArray_.push_back(dot);
    return dot;
}

void PageControl::setDotActiveAtIndex_animated(int32_t index, bool) {
    indexSelected_ = index;
    const ui::Point origin{static_cast<double>(distanceBetweenDots_) * index, 0};
    ui::AnimationContext::runGroup(
        [&](ui::AnimationContext&) { activePageIndicator_->animator().setFrameOrigin(origin); });
    for (size_t i = 0; i < pageIndicatorArray_.size(); ++i)
        pageIndicatorArray_[i]->setAlphaValue(static_cast<int32_t>(i) == index ? 0.0 : 1.0);
}

std::shared_ptr<ui::ImageView> PageControl::pageIndicatorForIndex(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(pageIndicatorArray_.size())) return nullptr;
    return pageIndicatorArray_[index];
}

}  // namespace kestrune
