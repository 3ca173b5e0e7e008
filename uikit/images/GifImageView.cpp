#include "uikit/images/GifImageView.h"

#include "uikit/images/GifImageModel.h"

namespace kestrune {

void GifImageView::setImageWithName_forSuffixStartingFrom_andEndingAt(const std::string& name, int32_t first,
                                                                      int32_t last) {
    arrayOfImages_ = loadNumberedImages(name, first, last);
    currentImageIndex_ = 0;
    numberOfImages_ = static_cast<int32_t>(arrayOfImages_.size());
}

void GifImageView::startAnimating() {
    stopAnimating();
    auto self = sharedAs<GifImageView>();
    auto timer = platform::Timer::scheduledTimer(
        kFrameInterval, true, [self](platform::Timer&) { self->changeImageOnMainThread(); });
    // One run loop here, without modes: adding the timer to the main loop keeps it on its schedule.
    platform::RunLoop::main().addTimer(timer);
    imageSwithchTimer_ = timer;
}

void GifImageView::stopAnimating() {
    if (auto timer = imageSwithchTimer_.lock()) timer->invalidate();
    imageSwithchTimer_.reset();
}

bool GifImageView::isAnimating() const {
    auto timer = imageSwithchTimer_.lock();
    return timer && timer->isValid();
}

void GifImageView::changeImageOnMainThread() {
    platform::RunLoop::main().post([self = sharedAs<GifImageView>()] { self->changeImage(); });
}

void GifImageView::changeImage() {
    const int32_t index = getNextImageIndex();
    if (index >= 0 && static_cast<size_t>(index) < arrayOfImages_.size())
        setImage(arrayOfImages_[static_cast<size_t>(index)]);
}

int32_t GifImageView::getNextImageIndex() {
    if (numberOfImages_ > 0) currentImageIndex_ = (currentImageIndex_ + 1) % numberOfImages_;
    return currentImageIndex_;
}

}  // namespace kestrune
