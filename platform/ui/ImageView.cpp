#include "platform/ui/ImageView.h"

#include <algorithm>
#include <cmath>

#include "platform/base/Clock.h"
#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

Rect ImageView::imageRect() const {
    const Rect b = bounds();
    if (!image_) return {};
    Size s = image_->size();
    if (s.width <= 0 || s.height <= 0) return {};
    switch (scaling_) {
        case ImageScaling::AxesIndependently:
            return b;
        case ImageScaling::None:
            break;
        case ImageScaling::ProportionallyDown: {
            const double f = std::min({1.0, b.width() / s.width, b.height() / s.height});
            s = {s.width * f, s.height * f};
            break;
        }
        case ImageScaling::ProportionallyUpOrDown: {
            const double f = std::min(b.width() / s.width, b.height() / s.height);
            s = {s.width * f, s.height * f};
            break;
        }
    }
    double x = b.midX() - s.width / 2, y = b.midY() - s.height / 2;
    const bool top = alignment_ == ImageAlignment::Top || alignment_ == ImageAlignment::TopLeft ||
                     alignment_ == ImageAlignment::TopRight;
    const bool bottom = alignment_ == ImageAlignment::Bottom || alignment_ == ImageAlignment::BottomLeft ||
                        alignment_ == ImageAlignment::BottomRight;
    const bool left = alignment_ == ImageAlignment::Left || alignment_ == ImageAlignment::TopLeft ||
                      alignment_ == ImageAlignment::BottomLeft;
    const bool right = alignment_ == ImageAlignment::Right || alignment_ == ImageAlignment::TopRight ||
                       alignment_ == ImageAlignment::BottomRight;
    if (left) x = b.minX();
    if (right) x = b.maxX() - s.width;
    if (top) y = isFlipped() ? b.minY() : b.maxY() - s.height;
    if (bottom) y = isFlipped() ? b.maxY() - s.height : b.minY();
    return {x, y, s.width, s.height};
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    imageSetTime_ = platform::Clock::now();
    setNeedsDisplay(true);
}

std::optional<size_t> ImageView::currentAnimationFrame() const {
    if (!image_ || !image_->isAnimated() || !animates_) return std::nullopt;
    const double elapsed = std::max(0.0, platform::Clock::now() - imageSetTime_);
    const auto step = static_cast<size_t>(std::floor(elapsed / image_->frameInterval()));
    return step % image_->animationFrames().size();
}

void ImageView::drawRect(Rect) {
    if (!image_) return;
    const Image* shown = image_.get();
    if (image_->isAnimated()) shown = image_->animationFrames()[currentAnimationFrame().value_or(0)].get();
    shown->drawInRect_fromRect_operation_fraction(imageRect(), {}, CompositingOperation::SourceOver,
                                                  isEnabled() ? 1 : 0.5);
}

}  // namespace platform::ui
